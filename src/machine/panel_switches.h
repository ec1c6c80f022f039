// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qzb {

// A switch state as a check box holds it. Only On counts as on; Greyed comes
// only from a loaded setting file and reads as off everywhere.
enum class SwitchState : std::uint8_t { Off = 0, On = 1, Greyed = 2 };

// The three clock options. They behave as one group of option buttons: at most
// one is selected, and after a load none may be.
struct ClockMode {
    bool hz1 = false;    // optClk1 "1Hz"
    bool hz10 = false;   // optClk2 "10Hz"
    bool manual = true;  // optClk3 "Manual →"

    // Selecting an option clears the other two, as in a group of option buttons.
    void select1Hz() { *this = {true, false, false}; }
    void select10Hz() { *this = {false, true, false}; }
    void selectManual() { *this = {false, false, true}; }

    friend bool operator==(const ClockMode&, const ClockMode&) = default;
};

// The clock selection as one number, the same in both directions: what a front end
// selects and what it is told is selected. None: no option, as some loads leave it.
enum class ClockOption : std::uint8_t { Hz1 = 0, Hz10 = 1, Manual = 2, None = 3 };

ClockOption optionOf(const ClockMode& clock);
ClockMode clockModeOf(ClockOption option);

// Every switch of the front panel. The machine has no memory of its own: its
// program memory and input port are these switches, read afresh at every use.
struct PanelSwitches {
    static constexpr int programBitCount = 128;  // index = address * 8 + bit
    static constexpr int inputBitCount = 4;

    std::array<SwitchState, programBitCount> program{};
    std::array<SwitchState, inputBitCount> input{};
    ClockMode clock;
    SwitchState beep = SwitchState::Off;

    friend bool operator==(const PanelSwitches&, const PanelSwitches&) = default;
};

// One switch the user can flip, numbered as the front ends number them: a program
// switch (index = address * 8 + bit), an input switch (index = bit) or Beep (index 0).
enum class SwitchBank : std::uint8_t { Program = 0, Input = 1, Beep = 2 };
struct SwitchRef {
    SwitchBank bank = SwitchBank::Program;
    int index = 0;

    friend bool operator==(const SwitchRef&, const SwitchRef&) = default;
};

// The switch `ref` names; nothing for an index outside its bank.
SwitchState* switchAt(PanelSwitches& switches, SwitchRef ref);
const SwitchState* switchAt(const PanelSwitches& switches, SwitchRef ref);

// The short names of the clock selections, as the assembly language and
// qzb-cli write them: "1hz", "10hz", "manual", and "none" for no option.
std::string_view clockName(const ClockMode& clock);
// The selection a name stands for, in any letter case; nothing for another word.
std::optional<ClockMode> clockNamed(std::string_view name);

inline bool isOn(SwitchState state) {
    return state == SwitchState::On;
}

// The low four bits: what a 4-bit register keeps of a sum or an address.
constexpr std::uint8_t nibble(int value) {
    return static_cast<std::uint8_t>(value & 15);
}

// The 8-bit word at `address` (its low four bits count); bits 7-4 are the
// operation, bits 3-0 the immediate data.
std::uint8_t readProgramWord(const PanelSwitches& switches, int address);

// The input port (0-15).
std::uint8_t readInputPort(const PanelSwitches& switches);

}  // namespace qzb
