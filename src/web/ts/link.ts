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
// The core reads a link (Core.applyLink); this writes one.

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

export function encodeSetting(setting: Setting): string {
  const greyed = setting.program.includes(SwitchState.Greyed) ? bitsToHex(setting.program, SwitchState.Greyed) : '';
  const clock = clockNames.find(([option]) => option === setting.clock)?.[1] ?? 'none';
  return `#${prefix}${bitsToHex(setting.program, SwitchState.On)}.${greyed}.${clock}.${setting.beep}`;
}
