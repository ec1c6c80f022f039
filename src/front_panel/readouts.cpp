// SPDX-License-Identifier: MIT
#include "front_panel/readouts.h"

#include "front_panel/catalogue.h"

namespace qzb {

std::optional<std::string> decToBin(int value, bool ledStyle) {
    if (value > 15) return std::nullopt;
    std::string text;
    for (int weight = 8; weight >= 1; weight /= 2) {
        const bool high = value >= weight;
        if (high) value -= weight;
        text += ledStyle ? (high ? catalogue::lampOn : catalogue::lampOff) : (high ? "1" : "0");
    }
    return text;
}

std::string addressText(int row) {
    return std::string("Address ") + static_cast<char>('0' + row / 10) + static_cast<char>('0' + row % 10);
}

bool beepDue(const MachineState& state, SwitchState beep) {
    return isOn(beep) && (state.out & 8) != 0;
}

Readouts readoutsOf(const MachineState& state, SwitchState beep) {
    // The registers never leave 0-15, so every conversion succeeds.
    return {.registerA = decToBin(state.a, false).value_or(""),
            .registerB = decToBin(state.b, false).value_or(""),
            .programCounter = decToBin(state.pc, false).value_or(""),
            .carry = state.carry ? "1" : "0",
            .output = decToBin(state.out, true).value_or(""),
            .redRow = state.pc,
            .beep = beepDue(state, beep)};
}

}  // namespace qzb
