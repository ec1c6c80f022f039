// SPDX-License-Identifier: MIT
// tests/reference_model.h in JavaScript, for the browser tests only: the
// instruction set as a programmer's table states it, one row per upper nibble.
const A = 'A';
const B = 'B';
const IN = 'IN';
const ZERO = '0';
const OUT = 'OUT';
const JNC = 'JNC';
const JMP = 'JMP';

// Each row: the source the adder adds im to (0 for none), and where the sum goes.
export const instructionTable = [
  [A, A], [B, A], [IN, A], [ZERO, A],
  [A, B], [B, B], [IN, B], [ZERO, B],
  [B, OUT], [B, OUT], [ZERO, OUT], [ZERO, OUT],
  [B, JNC], [B, JMP], [ZERO, JNC], [ZERO, JMP],
];

// The registers ({pc, a, b, out, carry}) after `word` runs from `before`, the input port reading `input`.
export function referenceStep(before, word, input) {
  const [source, target] = instructionTable[(word >> 4) & 15];
  const operand = source === A ? before.a : source === B ? before.b : source === IN ? input : 0;
  const sum = (word & 15) + operand;
  const result = sum % 16;
  const after = { ...before, carry: sum > 15, pc: (before.pc + 1) % 16 };
  if (target === A) after.a = result;
  if (target === B) after.b = result;
  if (target === OUT) after.out = result;
  if (target === JMP || (target === JNC && !before.carry)) after.pc = result;
  return after;
}
