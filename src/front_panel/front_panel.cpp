// SPDX-License-Identifier: MIT
#include "front_panel/front_panel.h"

namespace qzb {

std::optional<std::string> decToBin(int value, bool ledStyle) {
    if (value > 15) return std::nullopt;
    std::string text;
    for (int weight = 8; weight >= 1; weight /= 2) {
        const bool high = value >= weight;
        if (high) value -= weight;
        text += ledStyle ? (high ? "●" : "○") : (high ? "1" : "0");
    }
    return text;
}

std::string addressText(int row) {
    return std::string("Address ") + static_cast<char>('0' + row / 10) + static_cast<char>('0' + row % 10);
}

void FrontPanel::tick() {
    if (switches_.clock.hz10) {
        machine_.step();
    } else if (switches_.clock.hz1) {
        if (++oneHertzDivider_ >= 10) {
            oneHertzDivider_ = 0;
            machine_.step();
        }
    }
}

void FrontPanel::clock() {
    if (switches_.clock.manual) machine_.step();
}

Readouts FrontPanel::readouts() const {
    const MachineState& state = machine_.state();
    // The registers never leave 0-15, so every conversion succeeds.
    return {.registerA = decToBin(state.a, false).value_or(""),
            .registerB = decToBin(state.b, false).value_or(""),
            .programCounter = decToBin(state.pc, false).value_or(""),
            .carry = state.carry ? "1" : "0",
            .output = decToBin(state.out, true).value_or(""),
            .redRow = state.pc,
            .beep = isOn(switches_.beep) && (state.out & 8) != 0};
}

int FrontPanel::tabStopOption() const {
    const ClockMode& clock = switches_.clock;
    if (clock.hz10) return 1;
    if (clock.manual) return 2;
    return 0;
}

}  // namespace qzb
