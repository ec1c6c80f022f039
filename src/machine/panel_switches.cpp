// SPDX-License-Identifier: MIT
#include "machine/panel_switches.h"

#include <utility>

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

SwitchState* switchAt(PanelSwitches& switches, SwitchRef ref) {
    const auto within = [&](auto& bank) {
        return ref.index >= 0 && std::cmp_less(ref.index, bank.size()) ? &bank[std::size_t(ref.index)]
                                                                       : nullptr;
    };
    switch (ref.bank) {
        case SwitchBank::Program: return within(switches.program);
        case SwitchBank::Input: return within(switches.input);
        case SwitchBank::Beep: return ref.index == 0 ? &switches.beep : nullptr;
    }
    return nullptr;
}

const SwitchState* switchAt(const PanelSwitches& switches, SwitchRef ref) {
    return switchAt(const_cast<PanelSwitches&>(switches), ref);
}

ClockOption optionOf(const ClockMode& clock) {
    if (clock.hz1) return ClockOption::Hz1;
    if (clock.hz10) return ClockOption::Hz10;
    if (clock.manual) return ClockOption::Manual;
    return ClockOption::None;
}

ClockMode clockModeOf(ClockOption option) {
    return {option == ClockOption::Hz1, option == ClockOption::Hz10, option == ClockOption::Manual};
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
