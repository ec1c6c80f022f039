// SPDX-License-Identifier: MIT
#include "common/line_parser.h"

#include "common/text.h"

namespace qzb {

bool LineParser::parseLines(std::string_view text, std::string_view what) {
    text = withoutByteOrderMark(text);
    if (lexer::isUtf16(text)) {
        error(1, 1, "the " + std::string(what) + " is UTF-16; save it as UTF-8");
        return false;
    }
    for (line_ = 1;; ++line_) {
        const std::size_t end = text.find('\n');
        parseLine(text.substr(0, end));
        if (end == std::string_view::npos) return true;
        text.remove_prefix(end + 1);
    }
}

lexer::LineTokens LineParser::startLine(std::string_view line, const lexer::LexRules& rules) {
    lexer::LineTokens lexed = lexer::tokenize(line, rules);
    tokens_ = std::move(lexed.tokens);
    next_ = 0;
    endColumn_ = lexed.endColumn;
    return lexed;
}

bool LineParser::atEnd() {
    const Token* extra = peek();
    if (extra == nullptr) return true;
    error(*extra, "unexpected " + (extra->kind == TokenKind::Quoted ? '"' + std::string(extra->text) + '"'
                                                                    : lexer::quoted(extra->text)));
    return false;
}

void LineParser::error(const Token* at, const std::string& message) {
    if (at != nullptr) {
        error(*at, message);
    } else {
        error(line_, endColumn_, message + " at the end of the line");
    }
}

bool isWord(const lexer::Token* token, std::string_view word) {
    return token != nullptr && token->kind != lexer::TokenKind::Quoted &&
           equalIgnoringCase(token->text, word);
}

}  // namespace qzb
