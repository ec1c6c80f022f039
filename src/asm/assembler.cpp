// SPDX-License-Identifier: MIT
#include "asm/assembler.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "asm/instruction_table.h"
#include "common/line_parser.h"
#include "common/text.h"

namespace qzb {
namespace {

using lexer::quoted;
using lexer::Token;
using lexer::TokenKind;

constexpr lexer::LexRules assemblyRules{.blanks = " \t\r\f\v", .symbols = "=+:", .directives = true};

// A number or a label standing for an immediate.
struct Value {
    Token token;
    bool isLabel = false;
};

struct Operand {
    Source source = Source::None;
    Token sourceToken{};
    std::optional<Value> value;
};

struct LabelUse {
    std::size_t wordIndex;
    std::string name;
    int line;
    int column;
};

struct LabelDefinition {
    int address;
    int line;
};

constexpr int maxWords = 16;

bool isReserved(std::string_view name) {
    return sourceNamed(name) || findForm(name, false) || equalIgnoringCase(name, alternativePrefix);
}

// The registers the forms spelled `mnemonic` can add, as a message lists them ("B").
std::string addableRegisters(std::string_view mnemonic, bool alternative) {
    std::string names;
    for (const InstructionForm& form : instructionForms) {
        if (form.alternative == alternative && equalIgnoringCase(form.mnemonic, mnemonic) &&
            form.source != Source::None) {
            names += (names.empty() ? "" : " or ") + std::string(sourceName(form.source));
        }
    }
    return names;
}

// A statement alone has no other statements to name: a label would stand for its own address
// among words that are not there.
constexpr std::string_view rowTakesNumbers = "a row's statement takes numbers, not labels";

class Assembler : public LineParser {
public:
    explicit Assembler(bool oneStatement = false) : oneStatement_(oneStatement) {}

    Assembly run(std::string_view source) {
        if (parseLines(source, "source")) resolveLabels();

        result_.wordCount = wordCount_;
        for (std::size_t address = 0; address < words_.size(); ++address) {
            for (std::size_t bit = 0; bit < 8; ++bit) {
                const bool on = ((words_[address] >> bit) & 1) != 0;
                result_.switches.program[address * 8 + bit] = on ? SwitchState::On : SwitchState::Off;
            }
        }
        result_.errors = std::move(errors_);
        std::stable_sort(result_.errors.begin(), result_.errors.end(),
                         [](const AssemblyError& x, const AssemblyError& y) {
                             return x.line != y.line ? x.line < y.line : x.column < y.column;
                         });
        return std::move(result_);
    }

private:
    void parseLine(std::string_view line) override {
        lexer::LineTokens lexed = startLine(line, assemblyRules);  // the tokens up to a fault
        // The labels come before the statement, so they stand even when it fails:
        // otherwise every jump to them would be reported as well.
        const bool labelsTaken = takeLabels();
        if (lexed.fault) {
            const auto faultAt = static_cast<std::size_t>(lexed.fault->column - 1);
            error(line_, lexed.fault->column,
                  line[faultAt] == '-' ? subtractionHint(line.substr(faultAt + 1))
                                       : std::move(lexed.fault->message));
            return;
        }
        if (!labelsTaken || next_ == tokens_.size()) return;

        const Token first = tokens_[next_++];
        if (first.kind == TokenKind::Directive) {
            directive(first);
        } else if (first.kind == TokenKind::Name) {
            instruction(first);
        } else {
            error(first, "expected an instruction, a directive or a label");
        }
    }

    // `name:` pairs. A name that is not an instruction, before a statement, is a
    // label without its colon: it is reported, and taken as the label it was meant to be.
    bool takeLabels() {
        while (next_ + 1 < tokens_.size() && tokens_[next_].kind == TokenKind::Name &&
               tokens_[next_ + 1].text == ":") {
            if (oneStatement_) {
                error(tokens_[next_], std::string(rowTakesNumbers));
                return false;
            }
            if (!defineLabel(tokens_[next_])) return false;
            next_ += 2;
        }
        const Token* name = peek();
        if (name != nullptr && name->kind == TokenKind::Name && !isReserved(name->text) &&
            startsStatement(next_ + 1)) {
            error(*name, "unknown instruction " + quoted(name->text) +
                             (oneStatement_ ? std::string()
                                            : "; a label needs a colon: " + std::string(name->text) + ":"));
            labels_.try_emplace(std::string(name->text), LabelDefinition{wordCount_, line_});
            ++next_;
        }
        return true;
    }

    bool startsStatement(std::size_t index) const {
        if (index >= tokens_.size()) return false;
        const Token& first = tokens_[index];
        if (first.kind == TokenKind::Directive || equalIgnoringCase(first.text, alternativePrefix))
            return true;
        const std::optional<std::uint8_t> form = findForm(first.text, false);
        if (!form) return false;
        return instructionForms[*form].destination == Destination::Pc ||
               (index + 1 < tokens_.size() && tokens_[index + 1].text == "=");
    }

    // The adder only adds; in four bits, adding 16 - n takes n away. When the
    // statement so far is a register (`B = B`, `JNC B`) and n follows, the hint
    // is that statement; otherwise it is B = B + 15.
    std::string subtractionHint(std::string_view afterMinus) const {
        const std::vector<Token> after = lexer::tokenize(afterMinus, assemblyRules).tokens;
        const int number = !after.empty() && after[0].kind == TokenKind::Number
                               ? lexer::numberValue(after[0].text).value_or(0)
                               : 0;
        const auto statement = std::span(tokens_).subspan(next_);
        const bool namesOnly = std::all_of(statement.begin(), statement.end(), [](const Token& t) {
            return t.kind == TokenKind::Name || t.text == "=";
        });
        int taken = 1;
        std::string example = "B = B";
        if (number >= 1 && number <= 15 && statement.size() >= 2 && namesOnly &&
            sourceNamed(statement.back().text)) {
            taken = number;
            example.clear();
            for (const Token& token : statement) {
                if (!example.empty()) example += ' ';
                example += token.text;
            }
        }
        const std::string added = std::to_string(16 - taken);
        return "there is no subtraction; add " + added + " to take " + std::to_string(taken) + " away (" +
               example + " + " + added + ")";
    }

    // `DEST = operand` for the forms that write a register (ALT first for a
    // twin), `JMP operand` and the like for the jumps.
    void instruction(const Token& first) {
        Token mnemonic = first;
        const bool alternative = equalIgnoringCase(first.text, alternativePrefix);
        if (alternative) {
            const Token* target = peek();
            if (target == nullptr || !findForm(target->text, true)) {
                error(target, "ALT goes only before OUT");
                return;
            }
            mnemonic = tokens_[next_++];
        }
        const std::optional<std::uint8_t> spelled = findForm(mnemonic.text, alternative);
        if (!spelled) {
            error(first, "unknown instruction " + quoted(first.text));
            return;
        }
        const InstructionForm& spelledForm = instructionForms[*spelled];
        if (spelledForm.destination != Destination::Pc) {
            const Token* equals = peek();
            if (equals == nullptr || equals->text != "=") {
                error(equals, "expected '='");
                return;
            }
            ++next_;
        }
        const std::optional<Operand> operand = parseOperand();
        if (!operand) return;
        const std::optional<std::uint8_t> form = findForm(mnemonic.text, alternative, operand->source);
        if (!form) {
            error(operand->sourceToken, std::string(spelledForm.mnemonic) + " can add only " +
                                            addableRegisters(spelledForm.mnemonic, alternative) +
                                            " to its number, not " + asciiUpper(operand->sourceToken.text));
            return;
        }
        emit(*form, *operand, first.column);
    }

    // register, value, register + value or value + register; then the end of the line.
    std::optional<Operand> parseOperand() {
        Operand operand;
        for (int term = 0; term < 2; ++term) {
            const Token* token = peek();
            if (token == nullptr || (token->kind != TokenKind::Name && token->kind != TokenKind::Number)) {
                error(token, "expected a register, a number or a label");
                return std::nullopt;
            }
            ++next_;
            const std::optional<Source> source =
                token->kind == TokenKind::Name ? sourceNamed(token->text) : std::nullopt;
            if (source) {
                if (operand.source != Source::None) {
                    error(*token, "only one register can be added");
                    return std::nullopt;
                }
                operand.source = *source;
                operand.sourceToken = *token;
            } else {
                if (operand.value) {
                    error(*token, "only one number or label can be added");
                    return std::nullopt;
                }
                operand.value = Value{*token, token->kind == TokenKind::Name};
            }
            const Token* plus = peek();
            if (plus == nullptr || plus->text != "+") break;
            ++next_;
        }
        if (!atEnd()) return std::nullopt;
        return operand;
    }

    void directive(const Token& name) {
        if (equalIgnoringCase(name.text, ".word")) {
            std::optional<Operand> operand = parseOperand();
            if (!operand) return;
            if (operand->source != Source::None) {
                error(operand->sourceToken, ".word takes a number or a label, not a register");
                return;
            }
            emitWord(*operand->value, 255, name.column);
            return;
        }
        const bool isClock = equalIgnoringCase(name.text, ".clock");
        if (!isClock && !equalIgnoringCase(name.text, ".beep")) {
            error(name, "unknown directive " + quoted(name.text));
            return;
        }
        if (oneStatement_) {
            error(name, asciiLower(name.text) + " sets the panel, not a row's word");
            return;
        }
        const Token* argument = peek();
        const std::string_view value = argument != nullptr ? argument->text : std::string_view();
        ++next_;
        if (isClock) {
            const std::optional<ClockMode> clock = clockNamed(value);
            if (!clock) {
                error(argument, "expected 1hz, 10hz, manual or none after .clock");
                return;
            }
            if (!atEnd() || !firstSetting(clockLine_, name, "the clock")) return;
            result_.switches.clock = *clock;
        } else {
            const bool on = equalIgnoringCase(value, "on");
            if (!on && !equalIgnoringCase(value, "off")) {
                error(argument, "expected on or off after .beep");
                return;
            }
            if (!atEnd() || !firstSetting(beepLine_, name, "Beep")) return;
            result_.switches.beep = on ? SwitchState::On : SwitchState::Off;
        }
    }

    bool firstSetting(int& setOnLine, const Token& name, const std::string& what) {
        if (setOnLine != 0) {
            error(name, what + " is already set on line " + std::to_string(setOnLine));
            return false;
        }
        setOnLine = line_;
        return true;
    }

    bool defineLabel(const Token& name) {
        if (isReserved(name.text)) {
            error(name, quoted(name.text) + " is a reserved word and cannot be a label");
            return false;
        }
        const auto [found, added] =
            labels_.try_emplace(std::string(name.text), LabelDefinition{wordCount_, line_});
        if (!added) {
            error(name, "label " + quoted(name.text) + " is already defined on line " +
                            std::to_string(found->second.line));
            return false;
        }
        return true;
    }

    // The word of instruction form `form` (bits 7-4) with the operand's number.
    void emit(std::uint8_t form, const Operand& operand, int column) {
        const int high = form << 4;
        if (!operand.value) {
            storeWord(high, column);
            return;
        }
        emitWord(*operand.value, 15, column, high);
    }

    // A word whose low part is `value` (at most `limit`) added to `high`.
    void emitWord(const Value& value, int limit, int column, int high = 0) {
        if (value.isLabel && oneStatement_) {
            error(value.token, std::string(rowTakesNumbers));
            return;
        }
        if (value.isLabel) {
            if (storeWord(high, column)) {
                labelUses_.push_back({static_cast<std::size_t>(wordCount_ - 1), std::string(value.token.text),
                                      line_, value.token.column});
            }
            return;
        }
        const std::optional<int> number = lexer::numberValue(value.token.text);
        if (!number) {
            error(value.token, quoted(value.token.text) + " is not a number");
        } else if (*number > limit) {
            error(value.token, std::string(value.token.text) + " is outside 0-" + std::to_string(limit));
        } else {
            storeWord(high + *number, column);
        }
    }

    bool storeWord(int word, int column) {
        ++wordCount_;
        if (wordCount_ > maxWords) {
            if (wordCount_ == maxWords + 1) error(line_, column, "more than 16 words");
            return false;
        }
        words_[static_cast<std::size_t>(wordCount_ - 1)] = static_cast<std::uint8_t>(word);
        return true;
    }

    void resolveLabels() {
        for (const LabelUse& use : labelUses_) {
            const auto found = labels_.find(use.name);
            if (found == labels_.end()) {
                error(use.line, use.column, "label " + quoted(use.name) + " is not defined");
            } else if (found->second.address >= maxWords) {
                error(use.line, use.column,
                      "label " + quoted(use.name) + " is past the last word (address " +
                          std::to_string(found->second.address) + ")");
            } else {
                words_[use.wordIndex] =
                    static_cast<std::uint8_t>(words_[use.wordIndex] + found->second.address);
            }
        }
    }

    const bool oneStatement_;
    Assembly result_;
    std::array<std::uint8_t, maxWords> words_{};
    int wordCount_ = 0;
    std::map<std::string, LabelDefinition, std::less<>> labels_;
    std::vector<LabelUse> labelUses_;
    int clockLine_ = 0;
    int beepLine_ = 0;
};

}  // namespace

Assembly assemble(std::string_view source) {
    return Assembler().run(source);
}

StatementAssembly assembleStatement(std::string_view statement) {
    if (const std::size_t end = statement.find_first_of("\r\n"); end != std::string_view::npos)
        return {.errors = {{1, static_cast<int>(end) + 1, "a row holds one statement, on one line"}}};
    Assembly assembly = Assembler(true).run(statement);
    if (!assembly.errors.empty()) return {.errors = std::move(assembly.errors)};
    if (assembly.wordCount == 0) return {.errors = {{1, 1, "expected an instruction or .word n"}}};
    return {.word = readProgramWord(assembly.switches, 0)};
}

std::optional<std::string> sourceSizeProblem(std::string_view name, std::size_t size) {
    if (size < sourceSizeLimit) return std::nullopt;
    return std::string(name) + " is too large for a QZB source (64 KiB or more)";
}

}  // namespace qzb
