// SPDX-License-Identifier: MIT
#include "machine/panel_switches.h"

#include "common/text.h"

namespace qzb {

std::uint8_t readProgramWord(const PanelSwitches& switches, int address) {
    const std::size_t first = std::size_t{nibble(address)} * 8;
    unsigned word = 0;
    for (std::size_t bit = 0; bit < 8; ++bit) {
        if (isOn(switches.program[first + bit])) word |= 1U << bit;
    }
    return static_cast<std::uint8_t>(word);
}

std::uint8_t readInputPort(const PanelSwitches& switches) {
    unsigned value = 0;
    for (std::size_t bit = 0; bit < PanelSwitches::inputBitCount; ++bit) {
        if (isOn(switches.input[bit])) value |= 1U << bit;
    }
    return static_cast<std::uint8_t>(value);
}

namespace {

struct NamedClock {
    std::string_view name;
    ClockMode clock;
};
constexpr NamedClock clockNames[] = {{"1hz", {true, false, false}},
                                     {"10hz", {false, true, false}},
                                     {"manual", {false, false, true}},
                                     {"none", {false, false, false}}};

}  // namespace

std::string_view clockName(const ClockMode& clock) {
    if (clock.hz1) return "1hz";
    if (clock.hz10) return "10hz";
    if (clock.manual) return "manual";
    return "none";
}

std::optional<ClockMode> clockNamed(std::string_view name) {
    for (const NamedClock& named : clockNames) {
        if (equalIgnoringCase(name, named.name)) return named.clock;
    }
    return std::nullopt;
}

}  // namespace qzb
