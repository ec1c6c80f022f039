// SPDX-License-Identifier: MIT
#include "front_panel/readouts.h"

#include <algorithm>

#include "common/digits.h"

namespace qzb {

std::optional<std::string> decToBin(int value, bool ledStyle) {
    if (value > 15) return std::nullopt;
    value = std::max(value, 0);
    return ledStyle ? lampGlyphs(value) : binaryDigits(value);
}

std::string addressText(int row) {
    return "Address " + addressDigits(row);
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
