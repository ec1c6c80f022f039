// SPDX-License-Identifier: MIT
#include "machine/panel_switches.h"

namespace qzb {

std::int16_t readProgramWord(const PanelSwitches& switches, std::int16_t address) {
    // Only 0-15 is ever passed; the mask keeps any other value inside the switch bank.
    const auto first = static_cast<std::size_t>(address & 15) * 8;
    std::int16_t word = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (isOn(switches.program[first + static_cast<std::size_t>(bit)])) {
            word = static_cast<std::int16_t>(word + (1 << bit));
        }
    }
    return word;
}

std::int16_t readInputPort(const PanelSwitches& switches) {
    std::int16_t value = 0;
    for (int bit = 0; bit < PanelSwitches::inputBitCount; ++bit) {
        if (isOn(switches.input[static_cast<std::size_t>(bit)])) {
            value = static_cast<std::int16_t>(value + (1 << bit));
        }
    }
    return value;
}

void maskNibble(std::int16_t& value) {
    value = static_cast<std::int16_t>(value & 15);
}

}  // namespace qzb
