// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "machine/panel_switches.h"

namespace qzb {

// The registers. Every value stored in PC, A, B and OUT has passed through
// nibble(), so each stays within 0-15.
struct MachineState {
    std::uint8_t pc = 0;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    std::uint8_t out = 0;
    bool carry = false;

    friend bool operator==(const MachineState&, const MachineState&) = default;
};

// What one step did: the word it executed and the registers around it.
struct StepRecord {
    std::uint8_t word = 0;
    // The input port as the step read it; 0 when the word does not read the input.
    std::uint8_t input = 0;
    MachineState before{};
    MachineState after{};

    // Where the executed word sits.
    std::uint8_t address() const { return before.pc; }

    friend bool operator==(const StepRecord&, const StepRecord&) = default;
};

// The QZB processor: one 4-bit adder fed by the immediate data and a selected
// source, a carry flip-flop and four active-low load enables. Every one of the
// 256 words runs through the same equations; there is no opcode table. It only
// changes state: whoever runs it decides what to show afterwards.
class Machine {
public:
    explicit Machine(const PanelSwitches& switches) : switches_(switches) {}

    // Executes the word at PC and tells what it did.
    StepRecord step();
    // Clears the registers; the switches keep their state.
    void reset();

    const MachineState& state() const { return state_; }
    // Lets tests and benchmarks start from a chosen register state.
    void setState(const MachineState& state) { state_ = state; }

private:
    const PanelSwitches& switches_;
    MachineState state_;
};

}  // namespace qzb
