// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The assembly language split into words, one line at a time.
namespace qzb::lexer {

enum class TokenKind { Name, Number, Directive, Symbol };

struct Token {
    TokenKind kind;
    std::string_view text;  // a view into the line
    int column;             // 1-based byte column
};

struct LineTokens {
    // Up to the comment, or up to the fault when there is one.
    std::vector<Token> tokens;
    // Where "the end of the line" is reported: just past its last token.
    int endColumn = 1;
    // A character that has no place in a source, and its column.
    std::optional<std::string> fault;
    int faultColumn = 0;
};

LineTokens tokenize(std::string_view line);

// Whether a whole source is UTF-16, as some editors save text: it starts with a
// UTF-16 byte order mark (FF FE or FE FF), or every other byte of it is NUL.
bool isUtf16(std::string_view source);

// The value of a number token, or nothing when it is not a number. Values past
// 255 are kept as 256, which every range check refuses.
std::optional<int> numberValue(std::string_view text);

// `text` in single quotes, as messages show what the source wrote.
std::string quoted(std::string_view text);

}  // namespace qzb::lexer
