// SPDX-License-Identifier: MIT
#include "asm/lexer.h"

#include <algorithm>

#include "common/text.h"

namespace qzb::lexer {
namespace {

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// How a message names a character: printable ASCII as itself, anything else as its byte.
std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F) return "character " + quoted(std::string(1, c));
    constexpr char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
}

}  // namespace

LineTokens tokenize(std::string_view line) {
    LineTokens result;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        const int column = static_cast<int>(i) + 1;
        if (c == ';') break;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        TokenKind kind = TokenKind::Symbol;
        if (isNameChar(c) || (c == '.' && end < line.size() && isNameChar(line[end]))) {
            kind = c == '.' ? TokenKind::Directive : isDigit(c) ? TokenKind::Number : TokenKind::Name;
            while (end < line.size() && isNameChar(line[end])) ++end;
        } else if (c != '=' && c != '+' && c != ':') {
            result.fault = "unexpected " + shown(c);
            result.faultColumn = column;
            return result;
        }
        result.tokens.push_back({kind, line.substr(i, end - i), column});
        i = end;
    }
    if (!result.tokens.empty()) {
        const Token& last = result.tokens.back();
        result.endColumn = last.column + static_cast<int>(last.text.size());
    }
    return result;
}

bool isUtf16(std::string_view source) {
    if (source.starts_with("\xFF\xFE") || source.starts_with("\xFE\xFF")) return true;
    if (source.size() < 2) return false;
    for (const std::size_t first : {0, 1}) {
        bool allNul = true;
        for (std::size_t i = first; i < source.size() && allNul; i += 2) allNul = source[i] == '\0';
        if (allNul) return true;
    }
    return false;
}

std::optional<int> numberValue(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (asciiLower(text[1]) == 'x' || asciiLower(text[1]) == 'b')) {
        base = asciiLower(text[1]) == 'x' ? 16 : 2;
        text.remove_prefix(2);
    }
    int value = 0;
    for (const char c : text) {
        int digit = 0;
        if (isDigit(c)) {
            digit = c - '0';
        } else if (base == 16 && asciiLower(c) >= 'a' && asciiLower(c) <= 'f') {
            digit = asciiLower(c) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        if (digit >= base) return std::nullopt;
        value = std::min(value * base + digit, 256);
    }
    return value;
}

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

}  // namespace qzb::lexer
