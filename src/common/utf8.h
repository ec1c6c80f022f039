// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What counts as printable text in a name or a message, and how anything else is
// shown. One rule for the test-file parser and every report: a name the parser
// takes shows as it is (a backslash doubled), and a report shows any other name so
// that it is valid UTF-8, cannot drive a terminal, and stays apart from every other name.
namespace qzb {

// The length of the printable character that starts `text`, or 0 when it starts
// with a byte that is not one: a control character (C0, DEL, C1), a bidirectional
// formatting character (which could make a name read as another), a byte that is
// not well-formed UTF-8 (overlong forms and surrogates included), or U+FFFE or
// U+FFFF, which XML cannot hold.
constexpr std::size_t printableCharLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return lead >= 0x20 && lead != 0x7F ? 1 : 0;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool control = code >= 0x80 && code < 0xA0;
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool bidirectional = code == 0x061C || code == 0x200E || code == 0x200F ||
                               (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
    if (overlong || control || bidirectional || surrogate || code > 0x10FFFF || code == 0xFFFE ||
        code == 0xFFFF)
        return 0;
    return length;
}

constexpr bool isPrintableText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = printableCharLength(text.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// `text` with every byte that is not part of a printable character written as
// \xNN (lower-case hex) and a backslash as \\, so that distinct texts stay distinct;
// the characters of `kept` (such as a text's line ends) are kept as they are.
inline std::string visibleText(std::string_view text, std::string_view kept = {}) {
    constexpr std::string_view hex = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = printableCharLength(text.substr(i));
        if (text[i] == '\\') {
            shown += "\\\\";
            ++i;
        } else if (length == 0 && kept.find(text[i]) != std::string_view::npos) {
            shown += text[i++];
        } else if (length > 0) {
            shown += text.substr(i, length);
            i += length;
        } else {
            const auto byte = static_cast<unsigned char>(text[i++]);
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 15];
        }
    }
    return shown;
}

}  // namespace qzb
