// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostic.h"
#include "common/line_lexer.h"

namespace qzb {

// What the assembler and the test-file parser share: a text read line by line,
// a cursor over one line's tokens, and the errors of the whole text.
class LineParser {
public:
    LineParser() = default;
    LineParser(const LineParser&) = delete;
    LineParser& operator=(const LineParser&) = delete;
    virtual ~LineParser() = default;

protected:
    using Token = lexer::Token;
    using TokenKind = lexer::TokenKind;

    // Hands each line of `text`, after a UTF-8 byte order mark, to parseLine with
    // line_ set to its number. Read as bytes, a UTF-16 text would fail on every
    // line: it gets one error instead, "the WHAT is UTF-16; save it as UTF-8", and false.
    bool parseLines(std::string_view text, std::string_view what);
    virtual void parseLine(std::string_view line) = 0;

    // Makes `line` the cursor's tokens; a fault is left to the caller.
    lexer::LineTokens startLine(std::string_view line, const lexer::LexRules& rules);

    const Token* peek(std::size_t ahead = 0) const {
        return next_ + ahead < tokens_.size() ? &tokens_[next_ + ahead] : nullptr;
    }
    const Token* take() { return next_ < tokens_.size() ? &tokens_[next_++] : nullptr; }
    // Whether the line has no token left; if it has, "unexpected 'x'" at the first.
    bool atEnd();

    void error(int line, int column, std::string message) {
        errors_.push_back({line, column, std::move(message)});
    }
    void error(const Token& at, std::string message) { error(line_, at.column, std::move(message)); }
    // At the token, or "... at the end of the line" just past the last token when there is none.
    void error(const Token* at, const std::string& message);

    std::vector<Diagnostic> errors_;
    std::vector<Token> tokens_;
    std::size_t next_ = 0;
    int line_ = 0;

private:
    int endColumn_ = 1;
};

// Whether `token` is the keyword `word`, in any letter case; a quoted text never is.
bool isWord(const lexer::Token* token, std::string_view word);

}  // namespace qzb
