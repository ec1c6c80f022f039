// SPDX-License-Identifier: MIT
#include "common/line_lexer.h"

#include <algorithm>

#include "common/text.h"
#include "common/utf8.h"

namespace qzb::lexer {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_';
}

bool isWordChar(char c, const LexRules& rules) {
    if (isNameChar(c)) return true;
    return rules.wordsOfAnyPrintable && c > ' ' && c < 0x7F && c != ';' && c != '"' &&
           rules.symbols.find(c) == std::string_view::npos;
}

// How a message names a character: printable ASCII as itself, anything else as its byte.
std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F) return "character " + quoted(std::string(1, c));
    constexpr char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
}

}  // namespace

LineTokens tokenize(std::string_view line, const LexRules& rules) {
    LineTokens result;
    std::size_t i = 0;
    while (i < line.size() && !result.fault) {
        const char c = line[i];
        const int column = static_cast<int>(i) + 1;
        if (c == ';') break;
        if (rules.blanks.find(c) != std::string_view::npos) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        TokenKind kind = TokenKind::Symbol;
        if (c == '"' && !rules.quotedText.empty()) {
            end = line.find('"', end);
            const std::string what(rules.quotedText);
            if (end == std::string_view::npos) {
                result.fault = LexFault{column, "the " + what + " is not closed with \""};
            } else if (!isPrintableText(line.substr(i + 1, end - i - 1))) {
                result.fault =
                    LexFault{column, "a " + what + " must be UTF-8 text without control characters"};
            } else {
                result.tokens.push_back({TokenKind::Quoted, line.substr(i + 1, end - i - 1), column});
                i = end + 1;
            }
            continue;
        }
        const bool directive = rules.directives && c == '.' && end < line.size() && isNameChar(line[end]);
        if (isWordChar(c, rules) || directive) {
            kind = directive ? TokenKind::Directive : isDigit(c) ? TokenKind::Number : TokenKind::Name;
            while (end < line.size() && isWordChar(line[end], rules)) ++end;
        } else if (rules.symbols.find(c) == std::string_view::npos) {
            result.fault = LexFault{column, "unexpected " + shown(c)};
            break;
        }
        result.tokens.push_back({kind, line.substr(i, end - i), column});
        i = end;
    }
    if (!result.tokens.empty()) {
        const Token& last = result.tokens.back();
        result.endColumn =
            last.column + static_cast<int>(last.text.size()) + (last.kind == TokenKind::Quoted ? 2 : 0);
    }
    return result;
}

bool isUtf16(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return true;
    // Text in UTF-16 has characters in the other half; a file of NUL bytes alone has none.
    const auto allNul = [text](std::size_t first) {
        for (std::size_t i = first; i < text.size(); i += 2) {
            if (text[i] != '\0') return false;
        }
        return true;
    };
    if (text.size() < 2 || (allNul(0) && allNul(1))) return false;
    return allNul(0) || allNul(1);
}

Radix radixOf(std::string_view text) {
    if (text.size() > 2 && text[0] == '0') {
        if (asciiLower(text[1]) == 'x') return Radix::Hex;
        if (asciiLower(text[1]) == 'b') return Radix::Binary;
    }
    return Radix::Decimal;
}

std::optional<int> numberValue(std::string_view text, int largest) {
    const Radix radix = radixOf(text);
    const int base = radix == Radix::Hex ? 16 : radix == Radix::Binary ? 2 : 10;
    if (radix != Radix::Decimal) text.remove_prefix(2);
    if (text.empty()) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        const char lower = asciiLower(c);
        int digit = 0;
        if (isDigit(c)) {
            digit = c - '0';
        } else if (lower >= 'a' && lower <= 'f') {
            digit = lower - 'a' + 10;
        } else {
            return std::nullopt;
        }
        if (digit >= base) return std::nullopt;
        value = std::min(value * base + digit, largest + 1);
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
