// SPDX-License-Identifier: MIT
// A whole panel setting in a link's fragment, which the browser never sends to a server.
//
//   #qzb1.<on>.<greyed>.<clock>.<beep>
//
// <on>     32 hex digits: the 16 program words, address 00 first, two digits each,
//          bit 7 first; a 1 bit is a switch that is on. "#qzb1.3F01..." sets the word
//          at address 00 to 0011 1111.
// <greyed> empty, or 32 hex digits in the same order: a 1 bit is a greyed switch
//          (the state a loaded "2" gives). A switch may not be both on and greyed.
// <clock>  1hz, 10hz, manual, or none (no option selected, as some files leave it).
// <beep>   0 off, 1 on, 2 greyed.
//
// Hex digits may be in either case; anything else is refused whole.

import { ClockOption, SwitchState } from './core.js';

export interface Setting {
  program: SwitchState[]; // 128, index = address * 8 + bit
  clock: ClockOption;
  beep: SwitchState;
}

const prefix = 'qzb1.';
const clockNames: ReadonlyArray<[ClockOption, string]> = [
  [ClockOption.Hz1, '1hz'],
  [ClockOption.Hz10, '10hz'],
  [ClockOption.Manual, 'manual'],
  [ClockOption.None, 'none'],
];

function bitsToHex(program: readonly SwitchState[], state: SwitchState): string {
  let hex = '';
  for (let address = 0; address < 16; ++address) {
    let word = 0;
    for (let bit = 0; bit < 8; ++bit) {
      if (program[address * 8 + bit] === state) word |= 1 << bit;
    }
    hex += word.toString(16).toUpperCase().padStart(2, '0');
  }
  return hex;
}

function hexToBits(hex: string): boolean[] | null {
  if (!/^[0-9a-fA-F]{32}$/.test(hex)) return null;
  const bits: boolean[] = [];
  for (let address = 0; address < 16; ++address) {
    const word = parseInt(hex.slice(address * 2, address * 2 + 2), 16);
    for (let bit = 0; bit < 8; ++bit) bits.push(((word >> bit) & 1) === 1);
  }
  return bits;
}

export function encodeSetting(setting: Setting): string {
  const greyed = setting.program.includes(SwitchState.Greyed) ? bitsToHex(setting.program, SwitchState.Greyed) : '';
  const clock = clockNames.find(([option]) => option === setting.clock)?.[1] ?? 'none';
  return `#${prefix}${bitsToHex(setting.program, SwitchState.On)}.${greyed}.${clock}.${setting.beep}`;
}

// The fragment's setting, or the reason it is not one. An empty fragment is no setting.
export function decodeSetting(fragment: string): Setting | string | null {
  const text = fragment.startsWith('#') ? fragment.slice(1) : fragment;
  if (text === '') return null;
  if (!text.startsWith(prefix)) return 'it does not start with "qzb1."';
  const parts = text.slice(prefix.length).split('.');
  if (parts.length !== 4) return 'it does not have the four parts on, greyed, clock and beep';
  const [onPart = '', greyedPart = '', clockPart = '', beepPart = ''] = parts;
  const on = hexToBits(onPart);
  if (!on) return 'the program part is not 32 hexadecimal digits';
  const greyed = greyedPart === '' ? new Array<boolean>(128).fill(false) : hexToBits(greyedPart);
  if (!greyed) return 'the greyed part is neither empty nor 32 hexadecimal digits';
  const program: SwitchState[] = [];
  for (let index = 0; index < 128; ++index) {
    if (on[index] && greyed[index]) return `switch ${index} is both on and greyed`;
    program.push(on[index] ? SwitchState.On : greyed[index] ? SwitchState.Greyed : SwitchState.Off);
  }
  const clock = clockNames.find(([, name]) => name === clockPart.toLowerCase())?.[0];
  if (clock === undefined) return 'the clock is not 1hz, 10hz, manual or none';
  if (!/^[012]$/.test(beepPart)) return 'the beep is not 0, 1 or 2';
  return { program, clock, beep: Number(beepPart) as SwitchState };
}
