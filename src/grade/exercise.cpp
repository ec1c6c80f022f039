// SPDX-License-Identifier: MIT
#include "grade/exercise.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "asm/assembler.h"
#include "common/line_parser.h"
#include "common/text.h"

namespace qzb {
namespace {

using lexer::quoted;

constexpr std::array<std::string_view, 5> registerNames = {"pc", "a", "b", "out", "carry"};

constexpr lexer::LexRules exerciseRules{
    .blanks = " \t\r", .symbols = "=", .wordsOfAnyPrintable = true, .quotedText = "case name"};

struct Value {
    Pattern pattern;
    Radix radix = Radix::Decimal;
};

// A VALUE token: decimal, 0x hex, or 0b with four digits of 0, 1 or x. Numbers
// past 255 have no bit that counts, which marks them as out of range.
std::optional<Value> parseValue(std::string_view text) {
    Value result;
    result.radix = lexer::radixOf(text);
    if (result.radix == Radix::Binary) {
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
    const std::optional<int> number = lexer::numberValue(text);
    if (!number) return std::nullopt;
    result.pattern.value = static_cast<std::uint8_t>(std::min(*number, 255));
    if (*number > 255) result.pattern.care = 0;
    return result;
}

// The comment lines that open `text`, as Exercise::task holds them.
std::string leadingComments(std::string_view text) {
    std::string task;
    text = withoutByteOrderMark(text);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        if (!line.starts_with(';')) break;
        line.remove_prefix(line.starts_with("; ") ? 2 : 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (!task.empty()) task += '\n';
        task += line;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return task;
}

class Parser : public LineParser {
public:
    Exercise parse(std::string_view text) {
        result_.task = leadingComments(text);
        parseLines(text, "test file");
        if (inModel_) error(modelLine_, 1, "the model is not closed with a line end");
        // A file with errors has lost statements; whether its cases check anything shows once it is mended.
        if (errors_.empty()) checkCases();
        result_.errors = std::move(errors_);
        return std::move(result_);
    }

private:
    void checkCases() {
        if (result_.cases.empty()) error(1, 1, "no case in the file; a case starts with case \"NAME\"");
        for (const Case& testCase : result_.cases) {
            const bool checks = std::any_of(
                testCase.statements.begin(), testCase.statements.end(), [](const Statement& statement) {
                    return statement.kind != Statement::Kind::Input && statement.kind != Statement::Kind::Run;
                });
            if (!checks) {
                error(testCase.line, 1,
                      "case \"" + testCase.name + "\" checks nothing; give it an expect or a run until");
            }
            const auto like = std::find_if(testCase.statements.begin(), testCase.statements.end(),
                                           [](const Statement& statement) {
                                               return statement.kind == Statement::Kind::ExpectLikeModel;
                                           });
            if (like == testCase.statements.end()) continue;
            if (!result_.model) {
                error(like->line, 1,
                      "expect out like model needs a model: its program between a line model and a line end");
            } else if (testCase.statements.size() > 1) {
                error(
                    testCase.line, 1,
                    "case \"" + testCase.name + "\" holds more than expect out like model, which runs alone");
            }
        }
    }

    // The model's lines go to the assembler as they are, up to the line `end`.
    void modelSourceLine(std::string_view line) {
        const lexer::LineTokens lexed = lexer::tokenize(line, exerciseRules);
        if (lexed.fault || lexed.tokens.size() != 1 || !isWord(&lexed.tokens.front(), "end")) {
            modelSource_ += line;
            modelSource_ += '\n';
            return;
        }
        inModel_ = false;
        if (modelLine_ != firstModelLine_) return;
        Assembly assembly = assemble(modelSource_);
        for (const Diagnostic& fault : assembly.errors)
            error(modelLine_ + fault.line, fault.column, fault.message);
        if (assembly.errors.empty()) result_.model = assembly.switches;
    }

    void modelStatement() {
        inModel_ = true;
        modelLine_ = line_;
        modelSource_.clear();
        if (firstModelLine_ == 0) {
            firstModelLine_ = line_;
        } else {
            error(line_, 1,
                  "a test file holds one model; the first starts on line " + std::to_string(firstModelLine_));
        }
    }

    void parseLine(std::string_view line) override {
        if (inModel_) {
            modelSourceLine(line);
            return;
        }
        const lexer::LineTokens lexed = startLine(line, exerciseRules);
        if (isWord(peek(), "case")) sawCase_ = true;
        if (lexed.fault) {
            error(line_, lexed.fault->column, lexed.fault->message);
            return;
        }
        const Token* first = take();
        if (first == nullptr) return;
        const std::string keyword = asciiLower(first->text);
        if (keyword == "case") {
            caseStatement();
            return;
        }
        if (keyword == "model") {
            if (atEnd()) modelStatement();
            return;
        }
        Statement statement;
        statement.line = line_;
        bool parsed = false;
        if (keyword == "input") {
            parsed = inputStatement(statement);
        } else if (keyword == "run") {
            parsed = runStatement(statement);
        } else if (keyword == "expect") {
            parsed = expectStatement(statement);
        } else {
            error(first, "unknown statement " + quoted(first->text) +
                             "; the statements are case, input, run, expect and model");
            return;
        }
        if (!parsed || !atEnd()) return;
        if (result_.cases.empty()) {
            // After a case line with an error, its statements are checked but not kept.
            if (!sawCase_) error(first, quoted(first->text) + " comes before the first case");
            return;
        }
        addSteps(statement.kind == Statement::Kind::ExpectLikeModel
                     ? std::uint64_t{modelInputs} * (std::uint64_t{statement.modelSteps} + statement.steps)
                     : statement.steps);
        result_.cases.back().statements.push_back(std::move(statement));
    }
    // A file's cases are graded for every program handed in, so what they may take
    // in all is bounded; the error names the statement that passes the bound.
    void addSteps(std::uint64_t steps) {
        const bool within = fileSteps_ <= maxFileSteps;
        fileSteps_ += steps;
        if (within && fileSteps_ > maxFileSteps) {
            error(line_, stepsColumn_,
                  "the cases add up to " + std::to_string(fileSteps_) + " steps here, more than the " +
                      std::to_string(maxFileSteps) + " a test file may take");
        }
    }

    void caseStatement() {
        const Token* name = take();
        if (name == nullptr || name->kind != TokenKind::Quoted) {
            error(name, "expected a name in double quotes after case");
            return;
        }
        if (name->text.empty()) {
            error(name, "the case name is empty");
            return;
        }
        Case added;
        added.name = name->text;
        added.line = line_;
        if (!caseOptions(added)) return;
        // Reports tell cases apart by name.
        const auto [earlier, isNew] = caseLines_.try_emplace(added.name, line_);
        if (!isNew) {
            error(*name, "case \"" + earlier->first + "\" is already defined on line " +
                             std::to_string(earlier->second));
            return;
        }
        result_.cases.push_back(std::move(added));
    }

    // `points N` and `hidden` after the name, in either order.
    bool caseOptions(Case& added) {
        bool sawPoints = false;
        while (const Token* option = take()) {
            if (isWord(option, "points") && !sawPoints) {
                sawPoints = true;
                const Token* count = take();
                const std::optional<int> value =
                    count == nullptr || count->kind == TokenKind::Quoted ||
                            count->text.find_first_not_of("0123456789") != std::string_view::npos
                        ? std::nullopt
                        : lexer::numberValue(count->text, maxCasePoints);
                if (!value || *value > static_cast<int>(maxCasePoints)) {
                    error(count,
                          "expected a whole number of points from 0 to " + std::to_string(maxCasePoints));
                    return false;
                }
                added.points = static_cast<std::uint32_t>(*value);
            } else if (isWord(option, "hidden") && !added.hidden) {
                added.hidden = true;
            } else if (isWord(option, "points") || isWord(option, "hidden")) {
                error(*option, asciiLower(option->text) + " is given twice");
                return false;
            } else {
                error(*option,
                      "unexpected " + quoted(option->text) + "; after the name come points N and hidden");
                return false;
            }
        }
        return true;
    }

    bool inputStatement(Statement& statement) {
        statement.kind = Statement::Kind::Input;
        const Token* bits = take();
        if (bits == nullptr || bits->kind == TokenKind::Quoted || bits->text.size() != 4 ||
            bits->text.find_first_not_of("01") != std::string_view::npos) {
            error(bits, "expected four binary digits after input, bit 3 first, such as 1001");
            return false;
        }
        for (const char c : bits->text)
            statement.input = static_cast<std::uint8_t>(statement.input * 2 + (c - '0'));
        return true;
    }

    bool runStatement(Statement& statement) {
        if (isWord(peek(), "until")) {
            ++next_;
            statement.kind = Statement::Kind::RunUntil;
            return conditions(statement) && within(statement);
        }
        statement.kind = Statement::Kind::Run;
        return steps(statement);
    }

    bool expectStatement(Statement& statement) {
        if (isWord(peek(), "out") && isWord(peek(1), "like")) {
            next_ += 2;
            statement.kind = Statement::Kind::ExpectLikeModel;
            if (!isWord(peek(), "model")) {
                error(peek(), "expected 'model' after like");
                return false;
            }
            ++next_;
            const Token* keyword = take();
            if (!isWord(keyword, "for")) {
                error(keyword, "expected 'for M within N'");
                return false;
            }
            if (!steps(statement)) return false;
            statement.modelSteps = statement.steps;
            return within(statement);
        }
        // A quoted "out" counts here, as it always has; a quoted "sequence" does not.
        if (peek() != nullptr && equalIgnoringCase(peek()->text, "out") && isWord(peek(1), "sequence")) {
            next_ += 2;
            statement.kind = Statement::Kind::ExpectSequence;
            return sequenceValues(statement) && within(statement);
        }
        statement.kind = Statement::Kind::Expect;
        if (!conditions(statement)) return false;
        if (!isWord(peek(), "for")) return true;
        ++next_;
        statement.kind = Statement::Kind::ExpectFor;
        if (!steps(statement)) return false;
        const Token* unit = take();
        if (!isWord(unit, "steps") && !isWord(unit, "step")) {
            error(unit, "expected 'steps' after the number");
            return false;
        }
        return true;
    }

    // NAME=VALUE ... up to the end of the line, `within` or `for`.
    bool conditions(Statement& statement) {
        while (const Token* name = peek()) {
            if (isWord(name, "within") || isWord(name, "for")) break;
            ++next_;
            const auto found = std::find_if(registerNames.begin(), registerNames.end(),
                                            [&](std::string_view known) { return isWord(name, known); });
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
            if (equals == nullptr || equals->kind != TokenKind::Symbol) {
                error(equals, "expected '=' after " + shown);
                return false;
            }
            const Token* value = take();
            if (value == nullptr || value->kind == TokenKind::Quoted || value->kind == TokenKind::Symbol) {
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
            if (isWord(token, "within")) break;
            ++next_;
            const std::optional<Value> parsed =
                token->kind == TokenKind::Quoted ? std::nullopt : parseValue(token->text);
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
        if (!isWord(keyword, "within")) {
            error(keyword, "expected 'within N'");
            return false;
        }
        return steps(statement);
    }

    bool steps(Statement& statement) {
        const Token* count = take();
        if (count == nullptr || count->kind == TokenKind::Quoted ||
            count->text.find_first_not_of("0123456789") != std::string_view::npos) {
            error(count, "expected a number of steps, 0 to " + std::to_string(maxRunSteps));
            return false;
        }
        const int value = lexer::numberValue(count->text, maxRunSteps).value_or(0);
        if (value > static_cast<int>(maxRunSteps)) {
            error(*count,
                  std::string(count->text) + " is more than " + std::to_string(maxRunSteps) + " steps");
            return false;
        }
        statement.steps = static_cast<std::uint32_t>(value);
        stepsColumn_ = count->column;
        return true;
    }

    Exercise result_;
    std::map<std::string, int, std::less<>> caseLines_;
    bool sawCase_ = false;
    bool inModel_ = false;
    int modelLine_ = 0;       // of the model being read
    int firstModelLine_ = 0;  // of the model the file holds
    std::string modelSource_;
    std::uint64_t fileSteps_ = 0;
    int stepsColumn_ = 1;  // of the N of the last statement that takes steps
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

Exercise parseExercise(std::string_view text) {
    return Parser().parse(text);
}

std::optional<std::string> exerciseSizeProblem(std::string_view name, std::size_t size) {
    if (size < std::size_t{64} * 1024) return std::nullopt;
    return std::string(name) + " is too large for a test file (64 KiB or more)";
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
