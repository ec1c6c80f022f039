// SPDX-License-Identifier: MIT
#include "settings/setting_link.h"

#include <array>
#include <cstdint>
#include <vector>

#include "common/text.h"

namespace qzb {
namespace {

constexpr std::string_view prefix = "qzb1.";
constexpr std::string_view hexDigits = "0123456789ABCDEF";
using Words = std::array<std::uint8_t, 16>;

// The program words, one bit for each switch in `state`.
std::string wordsHex(const PanelSwitches& switches, SwitchState state) {
    std::string hex;
    for (std::size_t address = 0; address < 16; ++address) {
        unsigned word = 0;
        for (std::size_t bit = 0; bit < 8; ++bit) {
            if (switches.program[address * 8 + bit] == state) word |= 1U << bit;
        }
        hex += hexDigits[word >> 4];
        hex += hexDigits[word & 15];
    }
    return hex;
}

std::optional<Words> hexWords(std::string_view hex) {
    if (hex.size() != 32) return std::nullopt;
    Words words{};
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const std::size_t digit = hexDigits.find(asciiUpper(hex[i]));
        if (digit == std::string_view::npos) return std::nullopt;
        words[i / 2] = static_cast<std::uint8_t>(words[i / 2] * 16 + digit);
    }
    return words;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

LinkReading fault(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

}  // namespace

std::string settingLink(const PanelSwitches& switches) {
    bool anyGreyed = false;
    for (const SwitchState state : switches.program) anyGreyed = anyGreyed || state == SwitchState::Greyed;
    return "#" + std::string(prefix) + wordsHex(switches, SwitchState::On) + '.' +
           (anyGreyed ? wordsHex(switches, SwitchState::Greyed) : std::string()) + '.' +
           std::string(clockName(switches.clock)) + '.' +
           static_cast<char>('0' + static_cast<int>(switches.beep));
}

LinkReading readSettingLink(std::string_view fragment) {
    if (fragment.starts_with('#')) fragment.remove_prefix(1);
    if (fragment.empty()) return {};
    if (!fragment.starts_with(prefix)) return fault("it does not start with \"qzb1.\"");
    const std::vector<std::string_view> parts = split(fragment.substr(prefix.size()), '.');
    if (parts.size() != 4) return fault("it does not have the four parts on, greyed, clock and beep");
    const std::optional<Words> on = hexWords(parts[0]);
    if (!on) return fault("the program part is not 32 hexadecimal digits");
    const std::optional<Words> greyed = parts[1].empty() ? Words{} : hexWords(parts[1]);
    if (!greyed) return fault("the greyed part is neither empty nor 32 hexadecimal digits");

    PanelSwitches switches;
    for (std::size_t index = 0; index < switches.program.size(); ++index) {
        const bool isOn = (((*on)[index / 8] >> (index % 8)) & 1) != 0;
        const bool isGreyed = (((*greyed)[index / 8] >> (index % 8)) & 1) != 0;
        if (isOn && isGreyed) return fault("switch " + std::to_string(index) + " is both on and greyed");
        switches.program[index] = isOn ? SwitchState::On : isGreyed ? SwitchState::Greyed : SwitchState::Off;
    }
    const std::optional<ClockMode> clock = clockNamed(parts[2]);
    if (!clock) return fault("the clock is not 1hz, 10hz, manual or none");
    switches.clock = *clock;
    if (parts[3].size() != 1 || parts[3][0] < '0' || parts[3][0] > '2')
        return fault("the beep is not 0, 1 or 2");
    switches.beep = static_cast<SwitchState>(parts[3][0] - '0');
    return {switches, {}};
}

}  // namespace qzb
