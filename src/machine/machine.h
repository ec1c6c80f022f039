// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

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

// The QZB processor: one 4-bit adder fed by the immediate data and a selected
// source, a carry flip-flop and four active-low load enables. Every one of the
// 256 words runs through the same equations; there is no opcode table.
class Machine {
public:
    Machine(const PanelSwitches& switches, std::function<void()> refresh)
        : switches_(switches), refresh_(std::move(refresh)) {}

    // Executes the word at PC, then calls the refresh action.
    void step();
    // Clears the registers (the switches keep their state), then calls the refresh action.
    void reset();

    const MachineState& state() const { return state_; }
    // Lets tests and benchmarks start from a chosen register state.
    void setState(const MachineState& state) { state_ = state; }

private:
    const PanelSwitches& switches_;
    std::function<void()> refresh_;
    MachineState state_;
};

}  // namespace qzb
