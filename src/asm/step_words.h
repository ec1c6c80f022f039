// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "machine/machine.h"

namespace qzb {

// What a step did, in one short line: the word's address, its statement, what the
// adder did, then where the PC went.
//
//   00  B = B + 1: 0001 + 0001 = 0010, carry 0; PC 00 → 01
//   03  A = 10: 1010, carry 0; PC 03 → 04
//   02  JNC 5: carry was 1, no jump; 0101, carry now 0; PC 02 → 03
//   02  JMP B + 3: 0100 + 0011 = 0111, carry 0, jump; PC 02 → 07
//
// The adder's source (A, B or the input) comes first, then the word's number,
// each in four binary digits; a statement without a source shows only its number.
// Every sentence says the carry after the step; a JNC says first the carry it tested.
std::string stepInWords(const StepRecord& step);

// What a jump did, as that sentence says it: "jump" for JMP, "carry was 1, no jump" or
// "carry was 0, jump" for JNC; empty for any other instruction.
std::string jumpInWords(const StepRecord& step);

}  // namespace qzb
