// SPDX-License-Identifier: MIT
#include "settings/setting_link.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "common/text.h"
#include "settings/setting_storage.h"

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

constexpr std::string_view exercisePrefix = "qzt1.";
constexpr std::string_view base64urlDigits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
// The longest base64url text of a test file under the read limit.
constexpr std::size_t maxTestFileDigits = ((fileReadLimit - 1) * 4 + 2) / 3;

std::string base64url(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() * 4 + 2) / 3);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(bytes.size() - i, 3);
        unsigned group = 0;
        for (std::size_t j = 0; j < 3; ++j)
            group = group << 8 | (j < count ? static_cast<unsigned char>(bytes[i + j]) : 0U);
        for (std::size_t digit = 0; digit <= count; ++digit)
            text += base64urlDigits[(group >> (18 - 6 * digit)) & 63];
    }
    return text;
}

// Nothing unless `text` is what base64url() makes of some bytes: its own digits,
// no padding, and the bits left over at the end all 0.
std::optional<std::string> fromBase64url(std::string_view text) {
    if (text.size() % 4 == 1) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() * 3 / 4);
    unsigned group = 0;
    int bits = 0;
    for (const char digit : text) {
        const std::size_t value = base64urlDigits.find(digit);
        if (value == std::string_view::npos) return std::nullopt;
        group = (group << 6 | static_cast<unsigned>(value)) & 0x3FFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    if ((group & ((1U << bits) - 1)) != 0) return std::nullopt;
    return bytes;
}

ExerciseLinkReading exerciseFault(std::string reason) {
    return {.fault = std::move(reason)};
}

}  // namespace

std::string settingLink(const PanelSwitches& switches) {
    bool anyGreyed = false;
    for (const SwitchState state : switches.program) anyGreyed = anyGreyed || state == SwitchState::Greyed;
    // Appended piece by piece: GCC 12 at -O3 warns falsely on a chain that starts with "#" + a temporary.
    std::string link{"#"};
    link += prefix;
    link += wordsHex(switches, SwitchState::On);
    link += '.';
    if (anyGreyed) link += wordsHex(switches, SwitchState::Greyed);
    link += '.';
    link += clockName(switches.clock);
    link += '.';
    link += static_cast<char>('0' + static_cast<int>(switches.beep));
    return link;
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

bool isExerciseLink(std::string_view fragment) {
    if (fragment.starts_with('#')) fragment.remove_prefix(1);
    return fragment.starts_with(exercisePrefix);
}

std::string exerciseLink(std::string_view testFile, const std::optional<PanelSwitches>& start) {
    std::string link{"#"};
    link += exercisePrefix;
    link += base64url(testFile);
    if (start) link += '&' + settingLink(*start).substr(1);
    return link;
}

ExerciseLinkReading readExerciseLink(std::string_view fragment) {
    if (fragment.starts_with('#')) fragment.remove_prefix(1);
    if (fragment.empty()) return {};
    if (!fragment.starts_with(exercisePrefix)) return exerciseFault("it does not start with \"qzt1.\"");
    fragment.remove_prefix(exercisePrefix.size());
    const std::size_t ampersand = fragment.find('&');
    const std::string_view digits = fragment.substr(0, ampersand);
    if (digits.size() > maxTestFileDigits) return exerciseFault("the test file is 64 KiB or more");
    std::optional<std::string> testFile = fromBase64url(digits);
    if (!testFile) return exerciseFault("the test file is not base64url");
    if (ampersand == std::string_view::npos) return {std::move(testFile), std::nullopt, {}};

    const std::string_view panel = fragment.substr(ampersand + 1);
    const LinkReading start =
        panel.starts_with(prefix) ? readSettingLink(panel) : fault("it does not start with \"qzb1.\"");
    if (!start.switches) return exerciseFault("the part after \"&\" is not a panel setting: " + start.fault);
    return {std::move(testFile), start.switches, {}};
}

}  // namespace qzb
