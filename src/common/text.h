// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the setting files, the assembler and the front ends.
// Case is folded for ASCII letters only: the locale never changes what a file means.
namespace qzb {

inline constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// `text` without a UTF-8 byte order mark at its start; editors on some systems add one.
constexpr std::string_view withoutByteOrderMark(std::string_view text) {
    if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());
    return text;
}

constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string asciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = asciiLower(c);
    return result;
}

inline std::string asciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = asciiUpper(c);
    return result;
}

constexpr bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace qzb
