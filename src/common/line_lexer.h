// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two line languages, the assembly language and the test-file language,
// split into words one line at a time by the same tokenizer under their own rules.
namespace qzb::lexer {

enum class TokenKind { Name, Number, Directive, Symbol, Quoted };

struct Token {
    TokenKind kind;
    std::string_view text;  // a view into the line; a Quoted token without its quotes
    int column;             // 1-based byte column
};

struct LexRules {
    // Skipped between tokens; `;` always starts a comment.
    std::string_view blanks = {};
    // Characters that are tokens of their own.
    std::string_view symbols = {};
    // A word is letters, digits and `_`; with this, any printable ASCII that is
    // no blank, symbol, quote or `;` belongs to a word as well.
    bool wordsOfAnyPrintable = false;
    // `.name` is a directive.
    bool directives = false;
    // What "text in double quotes" names in messages ("case name"); when empty, a quote is no token.
    std::string_view quotedText = {};
};

struct LexFault {
    int column;
    std::string message;
};

struct LineTokens {
    // Up to the comment, or up to the fault when there is one.
    std::vector<Token> tokens;
    // Where "the end of the line" is reported: just past its last token.
    int endColumn = 1;
    // A character that has no place in the line, or a quoted text that is not closed or not printable.
    std::optional<LexFault> fault;
};

LineTokens tokenize(std::string_view line, const LexRules& rules);

// Whether a whole text is UTF-16, as some editors save text: it starts with a
// UTF-16 byte order mark (FF FE or FE FF), or every other byte of it is NUL and
// not every byte.
bool isUtf16(std::string_view text);

// How a number token is written: 0x hex, 0b binary (either letter in any case,
// with at least one character after it), or decimal.
enum class Radix : std::uint8_t { Decimal, Hex, Binary };
Radix radixOf(std::string_view text);

// The value of a number token in its radix, or nothing when it is not one. Values
// past `largest` are kept as largest + 1, which every range check refuses.
std::optional<int> numberValue(std::string_view text, int largest = 255);

// `text` in single quotes, as messages show what a line wrote.
std::string quoted(std::string_view text);

}  // namespace qzb::lexer
