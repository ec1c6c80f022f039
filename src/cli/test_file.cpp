// SPDX-License-Identifier: MIT
#include "cli/test_file.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "asm/lexer.h"
#include "common/text.h"
#include "common/utf8.h"

namespace qzb {
namespace {

struct Token {
    std::string_view text;
    int column = 0;
    bool quoted = false;  // a "case name", without its quotes
};

constexpr std::array<std::string_view, 5> registerNames = {"pc", "a", "b", "out", "carry"};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool isWordChar(char c) {
    return c > ' ' && c < 0x7F && c != '=' && c != ';' && c != '"';
}

using lexer::quoted;

std::string hexByte(unsigned char byte) {
    constexpr std::string_view digits = "0123456789ABCDEF";
    return std::string("0x") + digits[byte >> 4] + digits[byte & 15];
}

struct Value {
    Pattern pattern;
    Radix radix = Radix::Decimal;
};

// A VALUE token: decimal, 0x hex, or 0b with four digits of 0, 1 or x. Numbers
// past 255 are kept as 256 so that every range check refuses them.
std::optional<Value> parseValue(std::string_view text) {
    Value result;
    if (text.size() > 2 && text[0] == '0' && asciiLower(text[1]) == 'b') {
        result.radix = Radix::Binary;
        text.remove_prefix(2);
        if (text.size() != 4) return std::nullopt;
        result.pattern.care = 0;
        for (const char c : text) {
            result.pattern.value = static_cast<std::uint8_t>(result.pattern.value << 1);
            result.pattern.care = static_cast<std::uint8_t>(result.pattern.care << 1);
            if (c == '0' || c == '1') {
                result.pattern.value |= static_cast<std::uint8_t>(c - '0');
                result.pattern.care |= 1;
            } else if (asciiLower(c) != 'x') {
                return std::nullopt;
            }
        }
        return result;
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && asciiLower(text[1]) == 'x') {
        base = 16;
        result.radix = Radix::Hex;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    int number = 0;
    for (const char c : text) {
        const char lower = asciiLower(c);
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && lower >= 'a' && lower <= 'f') {
            digit = lower - 'a' + 10;
        } else {
            return std::nullopt;
        }
        number = std::min(number * base + digit, 256);
    }
    result.pattern.value = static_cast<std::uint8_t>(std::min(number, 255));
    if (number > 255) result.pattern.care = 0;  // marks "out of range" for the caller
    return result;
}

class Parser {
public:
    TestFile parse(std::string_view text) {
        text = withoutByteOrderMark(text);
        int lineNumber = 0;
        while (true) {
            ++lineNumber;
            const std::size_t end = text.find('\n');
            parseLine(text.substr(0, end), lineNumber);
            if (end == std::string_view::npos) break;
            text.remove_prefix(end + 1);
        }
        // A file with errors has lost statements; whether its cases check anything shows once it is mended.
        if (!result_.errors.empty()) return std::move(result_);
        if (result_.cases.empty()) error(1, 1, "no case in the file; a case starts with case \"NAME\"");
        for (const TestCase& testCase : result_.cases) {
            const bool checks = std::ranges::any_of(testCase.statements, [](const Statement& statement) {
                return statement.kind != Statement::Kind::Input && statement.kind != Statement::Kind::Run;
            });
            if (!checks) {
                error(testCase.line, 1,
                      "case \"" + testCase.name + "\" checks nothing; give it an expect or a run until");
            }
        }
        return std::move(result_);
    }

private:
    void parseLine(std::string_view line, int lineNumber) {
        line_ = lineNumber;
        const bool tokenized = tokenize(line);
        if (!tokens_.empty() && !tokens_.front().quoted && equalIgnoringCase(tokens_.front().text, "case")) {
            sawCase_ = true;
        }
        if (!tokenized || tokens_.empty()) return;
        const Token& first = tokens_.front();
        const std::string keyword = asciiLower(first.text);
        next_ = 1;
        if (keyword == "case") {
            caseStatement();
            return;
        }
        Statement statement;
        statement.line = lineNumber;
        bool parsed = false;
        if (keyword == "input") {
            parsed = inputStatement(statement);
        } else if (keyword == "run") {
            parsed = runStatement(statement);
        } else if (keyword == "expect") {
            parsed = expectStatement(statement);
        } else {
            error(first, "unknown statement " + quoted(first.text) +
                             "; the statements are case, input, run and expect");
            return;
        }
        if (!parsed || !atEnd()) return;
        if (result_.cases.empty()) {
            // After a case line with an error, its statements are checked but not kept.
            if (!sawCase_) error(first, quoted(first.text) + " comes before the first case");
            return;
        }
        addSteps(statement.steps);
        result_.cases.back().statements.push_back(std::move(statement));
    }

    // A file's cases are graded for every program handed in, so what they may take
    // in all is bounded; the error names the statement that passes the bound.
    void addSteps(std::uint32_t steps) {
        const bool within = fileSteps_ <= maxFileSteps;
        fileSteps_ += steps;
        if (within && fileSteps_ > maxFileSteps) {
            error(line_, stepsColumn_,
                  "the cases add up to " + std::to_string(fileSteps_) + " steps here, more than the " +
                      std::to_string(maxFileSteps) + " a test file may take");
        }
    }

    // Splits a line into tokens; false (with the error noted) on a byte that no
    // statement can hold.
    bool tokenize(std::string_view line) {
        tokens_.clear();
        std::size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            const int column = static_cast<int>(i) + 1;
            if (isSpace(c)) {
                ++i;
            } else if (c == ';') {
                break;
            } else if (c == '=') {
                tokens_.push_back({line.substr(i, 1), column});
                ++i;
            } else if (c == '"') {
                const std::size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) {
                    error(line_, column, "the case name is not closed with \"");
                    return false;
                }
                const std::string_view name = line.substr(i + 1, close - i - 1);
                if (!isPrintableText(name)) {
                    error(line_, column, "a case name must be UTF-8 text without control characters");
                    return false;
                }
                tokens_.push_back({name, column, true});
                i = close + 1;
            } else if (isWordChar(c)) {
                const std::size_t start = i;
                while (i < line.size() && isWordChar(line[i])) ++i;
                tokens_.push_back({line.substr(start, i - start), column});
            } else {
                error(line_, column, "unexpected byte " + hexByte(static_cast<unsigned char>(c)));
                return false;
            }
        }
        endColumn_ = tokens_.empty() ? 1
                                     : tokens_.back().column + static_cast<int>(tokens_.back().text.size()) +
                                           (tokens_.back().quoted ? 2 : 0);
        return true;
    }

    void caseStatement() {
        const Token* name = take();
        if (name == nullptr || !name->quoted) {
            error(name, "expected a name in double quotes after case");
            return;
        }
        if (name->text.empty()) {
            error(name, "the case name is empty");
            return;
        }
        if (!atEnd()) return;
        // Reports tell cases apart by name.
        const auto [earlier, added] = caseLines_.try_emplace(std::string(name->text), line_);
        if (!added) {
            error(*name, "case \"" + earlier->first + "\" is already defined on line " +
                             std::to_string(earlier->second));
            return;
        }
        result_.cases.push_back({std::string(name->text), line_, {}});
    }

    bool inputStatement(Statement& statement) {
        statement.kind = Statement::Kind::Input;
        const Token* bits = take();
        if (bits == nullptr || bits->quoted || bits->text.size() != 4 ||
            bits->text.find_first_not_of("01") != std::string_view::npos) {
            error(bits, "expected four binary digits after input, bit 3 first, such as 1001");
            return false;
        }
        for (const char c : bits->text)
            statement.input = static_cast<std::uint8_t>(statement.input * 2 + (c - '0'));
        return true;
    }

    bool runStatement(Statement& statement) {
        const Token* until = peek();
        if (until != nullptr && !until->quoted && equalIgnoringCase(until->text, "until")) {
            ++next_;
            statement.kind = Statement::Kind::RunUntil;
            return conditions(statement) && within(statement);
        }
        statement.kind = Statement::Kind::Run;
        return steps(statement);
    }

    bool expectStatement(Statement& statement) {
        const Token* out = peek();
        const Token* sequence = next_ + 1 < tokens_.size() ? &tokens_[next_ + 1] : nullptr;
        if (out != nullptr && sequence != nullptr && !sequence->quoted &&
            equalIgnoringCase(out->text, "out") && equalIgnoringCase(sequence->text, "sequence")) {
            next_ += 2;
            statement.kind = Statement::Kind::ExpectSequence;
            return sequenceValues(statement) && within(statement);
        }
        statement.kind = Statement::Kind::Expect;
        return conditions(statement);
    }

    // NAME=VALUE ... up to the end of the line or `within`.
    bool conditions(Statement& statement) {
        while (const Token* name = peek()) {
            if (!name->quoted && equalIgnoringCase(name->text, "within")) break;
            ++next_;
            const auto found = std::ranges::find_if(registerNames, [&](std::string_view known) {
                return !name->quoted && equalIgnoringCase(known, name->text);
            });
            if (found == registerNames.end()) {
                error(name,
                      "unknown register " + quoted(name->text) + "; the names are pc, a, b, out and carry");
                return false;
            }
            Condition condition;
            condition.name = static_cast<Register>(found - registerNames.begin());
            const std::string shown(*found);
            for (const Condition& earlier : statement.conditions) {
                if (earlier.name == condition.name) {
                    error(name, shown + " is named twice");
                    return false;
                }
            }
            const Token* equals = take();
            if (equals == nullptr || equals->text != "=" || equals->quoted) {
                error(equals, "expected '=' after " + shown);
                return false;
            }
            const Token* value = take();
            if (value == nullptr || value->quoted || value->text == "=") {
                error(value, "expected a value after " + shown + "=");
                return false;
            }
            const std::optional<Value> parsed = parseValue(value->text);
            if (!parsed) {
                error(value,
                      quoted(value->text) + " is not a value (decimal, 0x hex, or 0b and four of 0, 1, x)");
                return false;
            }
            const bool isCarry = condition.name == Register::Carry;
            if (isCarry && (parsed->pattern.care != 15 || parsed->pattern.value > 1)) {
                error(value, "carry takes 0 or 1");
                return false;
            }
            if (parsed->pattern.value > 15 || (parsed->pattern.care == 0 && parsed->radix != Radix::Binary)) {
                error(value, std::string(value->text) + " is outside 0-15");
                return false;
            }
            condition.pattern = parsed->pattern;
            condition.radix = parsed->radix;
            statement.conditions.push_back(condition);
        }
        if (statement.conditions.empty()) {
            error(peek(), "expected a condition such as out=5");
            return false;
        }
        return true;
    }

    bool sequenceValues(Statement& statement) {
        while (const Token* token = peek()) {
            if (!token->quoted && equalIgnoringCase(token->text, "within")) break;
            ++next_;
            const std::optional<Value> parsed = token->quoted ? std::nullopt : parseValue(token->text);
            if (parsed && parsed->pattern.care != 15 && parsed->radix == Radix::Binary) {
                error(token, "a sequence takes whole values, without x");
                return false;
            }
            if (!parsed || parsed->pattern.care != 15 || parsed->pattern.value > 15) {
                error(token, quoted(token->text) + " is not a value from 0 to 15");
                return false;
            }
            if (!statement.sequence.empty() && statement.sequence.back() == parsed->pattern.value) {
                error(token, "the value repeats the one before it; a value that lasts is written once");
                return false;
            }
            if (statement.sequence.size() == maxSequenceLength) {
                error(token, "a sequence has at most " + std::to_string(maxSequenceLength) + " values");
                return false;
            }
            statement.sequence.push_back(parsed->pattern.value);
        }
        if (statement.sequence.empty()) {
            error(peek(), "expected the values OUT must show");
            return false;
        }
        return true;
    }

    bool within(Statement& statement) {
        const Token* keyword = take();
        if (keyword == nullptr) {
            error(keyword, "expected 'within N'");
            return false;
        }
        return steps(statement);
    }

    bool steps(Statement& statement) {
        const Token* count = take();
        if (count == nullptr || count->quoted ||
            count->text.find_first_not_of("0123456789") != std::string_view::npos) {
            error(count, "expected a number of steps, 0 to " + std::to_string(maxRunSteps));
            return false;
        }
        std::uint64_t value = 0;
        for (const char c : count->text)
            value = std::min<std::uint64_t>(value * 10 + (c - '0'), maxRunSteps + 1);
        if (value > maxRunSteps) {
            error(*count,
                  std::string(count->text) + " is more than " + std::to_string(maxRunSteps) + " steps");
            return false;
        }
        statement.steps = static_cast<std::uint32_t>(value);
        stepsColumn_ = count->column;
        return true;
    }

    const Token* peek() const { return next_ < tokens_.size() ? &tokens_[next_] : nullptr; }
    const Token* take() { return next_ < tokens_.size() ? &tokens_[next_++] : nullptr; }

    bool atEnd() {
        if (const Token* extra = peek()) {
            error(*extra, "unexpected " +
                              (extra->quoted ? '"' + std::string(extra->text) + '"' : quoted(extra->text)));
            return false;
        }
        return true;
    }

    void error(int line, int column, std::string message) {
        result_.errors.push_back({line, column, std::move(message)});
    }
    void error(const Token& at, std::string message) { error(line_, at.column, std::move(message)); }
    // A missing token is reported just past the end of the line.
    void error(const Token* at, const std::string& message) {
        if (at != nullptr) {
            error(*at, message);
        } else {
            error(line_, endColumn_, message + " at the end of the line");
        }
    }

    TestFile result_;
    std::map<std::string, int, std::less<>> caseLines_;
    std::vector<Token> tokens_;
    std::size_t next_ = 0;
    bool sawCase_ = false;
    std::uint64_t fileSteps_ = 0;
    int stepsColumn_ = 1;  // of the N of the last statement that takes steps
    int line_ = 0;
    int endColumn_ = 1;
};

std::string valueText(std::uint8_t value, std::uint8_t care, Radix radix) {
    switch (radix) {
        case Radix::Hex: {
            constexpr std::string_view digits = "0123456789ABCDEF";
            return std::string("0x") + digits[value & 15];
        }
        case Radix::Binary: {
            std::string text = "0b";
            for (int bit = 3; bit >= 0; --bit) {
                text += ((care >> bit) & 1) == 0 ? 'x' : ((value >> bit) & 1) != 0 ? '1' : '0';
            }
            return text;
        }
        case Radix::Decimal: break;
    }
    return std::to_string(value);
}

}  // namespace

TestFile parseTestFile(std::string_view text) {
    return Parser().parse(text);
}

std::string_view registerName(Register name) {
    return registerNames[static_cast<std::size_t>(name)];
}

std::string conditionText(const Condition& condition) {
    return std::string(registerName(condition.name)) + '=' +
           valueText(condition.pattern.value, condition.pattern.care, condition.radix);
}

std::string foundText(const Condition& condition, std::uint8_t actual) {
    return std::string(registerName(condition.name)) + '=' + valueText(actual, 15, condition.radix);
}

}  // namespace qzb
