// SPDX-License-Identifier: MIT
#include "settings/setting_file.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "common/text.h"
#include "common/utf8.h"

namespace qzb {
namespace {

constexpr std::string_view trueText = "#TRUE#";
constexpr std::string_view falseText = "#FALSE#";
constexpr std::string_view lineEnd = "\r\n";
constexpr bool ClockMode::*clockOptions[] = {&ClockMode::hz1, &ClockMode::hz10, &ClockMode::manual};

void writeInteger(std::string& text, SwitchState state) {
    text += static_cast<char>('0' + static_cast<int>(state));
    text += lineEnd;
}

void writeTruth(std::string& text, bool value) {
    text += value ? trueText : falseText;
    text += lineEnd;
}

// The fields of a setting file, one after another, as views into the text.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view text) : text_(withoutByteOrderMark(text)) {}

    // The next field, or nothing once the text has ended.
    std::optional<std::string_view> next() {
        if (text_.empty()) return std::nullopt;
        const std::size_t end = text_.find_first_of(",\r\n");
        if (end == std::string_view::npos) {
            return std::exchange(text_, std::string_view{});
        }
        const std::string_view field = text_.substr(0, end);
        const bool crLf = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n';
        text_.remove_prefix(end + (crLf ? 2 : 1));
        return field;
    }

private:
    std::string_view text_;
};

std::string_view unwrapped(std::string_view field) {
    constexpr std::string_view blanks = " \t";
    const std::size_t first = field.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    field = field.substr(first, field.find_last_not_of(blanks) - first + 1);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = field.substr(1, field.size() - 2);
    return field;
}

std::optional<std::int16_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int32_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 32768)
            return std::nullopt;  // past 16 bits already; also keeps the sum from overflowing
    }
    const std::int32_t value = negative ? -magnitude : magnitude;
    if (value > INT16_MAX) return std::nullopt;
    return static_cast<std::int16_t>(value);
}

std::optional<bool> parseTruth(std::string_view text) {
    if (text == trueText) return true;
    if (text == falseText) return false;
    if (const auto number = parseInteger(text)) return *number != 0;
    return std::nullopt;
}

// 0, 1 and 2 become the switch's state; any other value is refused and the switch keeps its state.
void handInteger(SwitchState& target, std::int16_t value) {
    if (value >= 0 && value <= 2) target = static_cast<SwitchState>(value);
}

// True selects the option and clears the other two; false clears only this one.
void handTruth(ClockMode& clock, bool ClockMode::*option, bool value) {
    if (value) clock.hz1 = clock.hz10 = clock.manual = false;
    clock.*option = value;
}

// A field's bytes as a message quotes them, cut short past a few characters as they will show
// once escaped; whoever shows the message escapes it, once.
std::string shownField(std::string_view field) {
    constexpr std::size_t shownAtMost = 20;
    std::size_t width = 0;
    for (std::size_t i = 0; i < field.size();) {
        const std::size_t length = std::max<std::size_t>(printableCharLength(field.substr(i)), 1);
        width += visibleText(field.substr(i, length)).size();
        if (width > shownAtMost) return std::string(field.substr(0, i)) + "...";
        i += length;
    }
    return std::string(field);
}

}  // namespace

std::optional<std::string_view> fileExtension(std::string_view name) {
    const std::string_view lastComponent = name.substr(name.rfind('/') + 1);
    const std::size_t dot = lastComponent.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    return lastComponent.substr(dot + 1);
}

bool hasSettingExtension(std::string_view name) {
    const std::optional<std::string_view> extension = fileExtension(name);
    return extension && equalIgnoringCase(*extension, settingExtension);
}

std::string writeSettingFile(const PanelSwitches& switches) {
    std::string text;
    text.reserve(PanelSwitches::programBitCount * 3 + 3 * 9 + 3);
    for (const SwitchState bit : switches.program) writeInteger(text, bit);
    for (const auto option : clockOptions) writeTruth(text, switches.clock.*option);
    writeInteger(text, switches.beep);
    return text;
}

std::optional<std::string> settingFileFault(std::string_view text) {
    if (text.empty()) return "the file is empty";
    // U+FEFF is printable, so it would not show in the line's text.
    if (text.starts_with(byteOrderMark)) return "the file starts with a byte order mark";
    for (int line = 1; line <= 132; ++line) {
        if (text.empty()) return "the file ends after line " + std::to_string(line - 1);
        const std::size_t end = text.find('\n');
        std::string_view field = text.substr(0, end);
        if (end != std::string_view::npos && field.ends_with('\r')) field.remove_suffix(1);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const bool truthLine = line >= 129 && line <= 131;
        const bool asWritten = truthLine ? field == trueText || field == falseText
                                         : field == "0" || field == "1" || field == "2";
        if (asWritten) continue;
        if (field.empty()) return "line " + std::to_string(line) + " is empty";
        return "line " + std::to_string(line) + " is '" + shownField(field) + "'";
    }
    return std::nullopt;
}

// How the reader takes text that this program never writes. None of it stops
// the load or shows a message; an unreadable field is handed the held value of
// its kind (the last integer or truth value read in this load; 0 and false at
// the start), and a readable one replaces that held value, even when its switch
// then refuses it.
//
//   Line ends     CR LF is one line end; a lone CR or a lone LF is one as well,
//                 so LF CR is two and leaves an empty field between them. A comma
//                 ends a field too, also inside quotation marks.
//   End of text   The last field may end without a line end; a line end or comma
//                 at the very end starts no further field. A UTF-8 byte order
//                 mark at the start of the text is skipped.
//   Blanks        Spaces and tabs around a value are ignored; a line of blanks
//                 or an empty line is an empty field, which is unreadable.
//   Quotes        One pair of double quotation marks around the value is
//                 removed ("1" reads 1); anything else with a quotation mark
//                 is unreadable.
//   Integer       An optional + or - and decimal digits, leading zeros allowed,
//                 within -32768..32767. Anything else is unreadable: fractions,
//                 exponents, words, "#TRUE#", a value outside 16 bits (never
//                 wrapped), NUL bytes. A readable value other than 0, 1 or 2 is
//                 refused by its switch.
//   Truth         "#TRUE#" and "#FALSE#" exactly, in capitals. An integer as
//                 above also reads: 0 is false, any other value true (so -1,
//                 the usual number for true, reads true). Anything else, other
//                 spellings of true and false included, is unreadable.
//
// The reader makes one pass over the text and copies nothing of it.
void readSettingFile(std::string_view text, PanelSwitches& switches) {
    FieldCursor fields(text);
    std::int16_t heldInteger = 0;
    bool heldTruth = false;
    const auto nextInteger = [&] {
        if (const auto field = fields.next())
            heldInteger = parseInteger(unwrapped(*field)).value_or(heldInteger);
        return heldInteger;
    };
    const auto nextTruth = [&] {
        if (const auto field = fields.next()) heldTruth = parseTruth(unwrapped(*field)).value_or(heldTruth);
        return heldTruth;
    };

    for (SwitchState& bit : switches.program) handInteger(bit, nextInteger());
    for (const auto option : clockOptions) handTruth(switches.clock, option, nextTruth());
    handInteger(switches.beep, nextInteger());
}

}  // namespace qzb
