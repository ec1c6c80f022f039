// SPDX-License-Identifier: MIT
#pragma once

// What the measuring programs share: a desktop that only counts, and a way to
// set a program into the switches.

#include <cstdint>
#include <initializer_list>

#include "machine/panel_switches.h"
#include "panel/desktop.h"

namespace qzb::bench {

class CountingDesktop final : public Desktop {
public:
    void showMessage(Icon, const QString&) override { ++messages; }
    void beep() override { ++beeps; }
    std::optional<std::string> pickFile(const FileDialog&, Kind) override { return std::nullopt; }
    bool confirmOverwrite(const FileDialog&, const std::string&) override { return false; }
    int beeps = 0;
    int messages = 0;
};

// Sets words from address 0 on; the words after them are left alone.
inline void loadProgram(PanelSwitches& switches, std::initializer_list<std::uint8_t> words) {
    std::size_t index = 0;
    for (const std::uint8_t word : words) {
        for (int bit = 0; bit < 8; ++bit, ++index) {
            switches.program[index] = ((word >> bit) & 1) != 0 ? SwitchState::On : SwitchState::Off;
        }
    }
}

}  // namespace qzb::bench
