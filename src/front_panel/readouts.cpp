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

std::string readoutText(const MachineState& state, Readout which) {
    // The registers never leave 0-15, so every conversion succeeds.
    switch (which) {
        case Readout::A: return decToBin(state.a, false).value_or("");
        case Readout::B: return decToBin(state.b, false).value_or("");
        case Readout::PC: return decToBin(state.pc, false).value_or("");
        case Readout::Carry: return state.carry ? "1" : "0";
        case Readout::Out: return decToBin(state.out, true).value_or("");
    }
    return {};
}

}  // namespace qzb
