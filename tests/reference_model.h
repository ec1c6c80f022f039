// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "machine/machine.h"

// The instruction set as a programmer's table states it, one row per upper nibble, written
// independently of the gate equations the machine uses. Tests of the machine, the window and the
// command line check their traces against it.
namespace reference {

enum class Source { A, B, Input, Zero };
enum class Target { A, B, Out, JumpIfNoCarry, Jump };
struct Row {
    Source source;
    Target target;
};
// clang-format off
constexpr Row instructionTable[16] = {
    {Source::A, Target::A},    {Source::B, Target::A},     {Source::Input, Target::A},         {Source::Zero, Target::A},
    {Source::A, Target::B},    {Source::B, Target::B},     {Source::Input, Target::B},         {Source::Zero, Target::B},
    {Source::B, Target::Out},  {Source::B, Target::Out},   {Source::Zero, Target::Out},        {Source::Zero, Target::Out},
    {Source::B, Target::JumpIfNoCarry}, {Source::B, Target::Jump}, {Source::Zero, Target::JumpIfNoCarry}, {Source::Zero, Target::Jump},
};
// clang-format on

// The registers after `word` (0-255) runs from `before`, with the input port reading `input`.
inline qzb::MachineState step(const qzb::MachineState& before, int word, int input) {
    const Row row = instructionTable[(word >> 4) & 15];
    const int operands[] = {before.a, before.b, input, 0};
    const int sum = (word & 15) + operands[int(row.source)];
    const auto result = static_cast<std::uint8_t>(sum % 16);
    qzb::MachineState after = before;
    after.carry = sum > 15;
    after.pc = static_cast<std::uint8_t>((before.pc + 1) % 16);
    if (row.target == Target::A) after.a = result;
    if (row.target == Target::B) after.b = result;
    if (row.target == Target::Out) after.out = result;
    if (row.target == Target::Jump || (row.target == Target::JumpIfNoCarry && !before.carry))
        after.pc = result;
    return after;
}

}  // namespace reference
