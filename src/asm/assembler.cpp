// SPDX-License-Identifier: MIT
#include "asm/assembler.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace qzb {
namespace {

enum class TokenKind { Name, Number, Directive, Symbol };

struct Token {
    TokenKind kind;
    std::string_view text;
    int column;
};

enum class Source { None, A, B, In };

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

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result += '\'';
    result += text;
    result += '\'';
    return result;
}

std::optional<Source> registerNamed(std::string_view name) {
    const std::string key = lower(name);
    if (key == "a") return Source::A;
    if (key == "b") return Source::B;
    if (key == "in") return Source::In;
    return std::nullopt;
}

bool isReserved(std::string_view name) {
    static constexpr std::array<std::string_view, 7> reserved = {"a", "b", "in", "out", "alt", "jmp", "jnc"};
    return std::ranges::find(reserved, lower(name)) != reserved.end();
}

// The value of a number token, or nothing when it is not a number. Values past
// 255 are kept as 256, which every range check refuses.
std::optional<int> numberValue(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) {
        base = 2;
        text.remove_prefix(2);
    }
    int value = 0;
    for (const char c : text) {
        int digit = 0;
        if (isDigit(c)) {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        if (digit >= base) return std::nullopt;
        value = std::min(value * base + digit, 256);
    }
    return value;
}

class Assembler {
public:
    Assembly run(std::string_view source) {
        constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
        if (source.starts_with(byteOrderMark)) source.remove_prefix(byteOrderMark.size());
        int lineNumber = 0;
        while (!source.empty()) {
            const std::size_t end = source.find('\n');
            ++lineNumber;
            assembleLine(source.substr(0, end), lineNumber);
            source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
        }
        resolveLabels();

        result_.wordCount = wordCount_;
        for (std::size_t address = 0; address < words_.size(); ++address) {
            for (std::size_t bit = 0; bit < 8; ++bit) {
                const bool on = ((words_[address] >> bit) & 1) != 0;
                result_.switches.program[address * 8 + bit] = on ? SwitchState::On : SwitchState::Off;
            }
        }
        std::ranges::stable_sort(result_.errors, [](const AssemblyError& x, const AssemblyError& y) {
            return x.line != y.line ? x.line < y.line : x.column < y.column;
        });
        return std::move(result_);
    }

private:
    // Splits a line into tokens; false (with the error noted) on a character
    // that has no place in a source.
    bool tokenize(std::string_view line, int lineNumber) {
        tokens_.clear();
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
                const auto byte = static_cast<unsigned char>(c);
                constexpr char hex[] = "0123456789ABCDEF";
                const std::string shown = byte >= 0x21 && byte < 0x7F
                                              ? "character " + quoted(std::string(1, c))
                                              : std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
                error(lineNumber, column, "unexpected " + shown);
                return false;
            }
            tokens_.push_back({kind, line.substr(i, end - i), column});
            i = end;
        }
        // Where "the end of the line" is reported: just past its last token.
        endColumn_ =
            tokens_.empty() ? 1 : tokens_.back().column + static_cast<int>(tokens_.back().text.size());
        return true;
    }

    void assembleLine(std::string_view line, int lineNumber) {
        if (!tokenize(line, lineNumber)) return;
        line_ = lineNumber;
        next_ = 0;
        while (next_ + 1 < tokens_.size() && tokens_[next_].kind == TokenKind::Name &&
               tokens_[next_ + 1].text == ":") {
            if (!defineLabel(tokens_[next_])) return;
            next_ += 2;
        }
        if (next_ == tokens_.size()) return;

        const Token first = tokens_[next_++];
        if (first.kind == TokenKind::Directive) {
            directive(first);
            return;
        }
        const std::string keyword = first.kind == TokenKind::Name ? lower(first.text) : std::string();
        if (keyword == "a" || keyword == "b" || keyword == "out") {
            assignment(first, keyword, false);
        } else if (keyword == "alt") {
            const Token* target = peek();
            if (target == nullptr || lower(target->text) != "out") {
                error(target, "ALT goes only before OUT");
                return;
            }
            ++next_;
            assignment(first, "out", true);
        } else if (keyword == "jmp" || keyword == "jnc") {
            std::optional<Operand> operand = parseOperand();
            if (!operand || !sourceAllowed(*operand, first, false)) return;
            const bool always = keyword == "jmp";
            const int form = operand->source == Source::B ? (always ? 0xD : 0xC) : (always ? 0xF : 0xE);
            emit(form, *operand, first.column);
        } else if (first.kind == TokenKind::Name) {
            error(first, "unknown instruction " + quoted(first.text));
        } else {
            error(first, "expected an instruction, a directive or a label");
        }
    }

    // `DEST = operand`, where DEST is A, B or OUT (ALT OUT when `alternative`).
    void assignment(const Token& first, const std::string& destination, bool alternative) {
        const Token* equals = peek();
        if (equals == nullptr || equals->text != "=") {
            error(equals, "expected '='");
            return;
        }
        ++next_;
        std::optional<Operand> operand = parseOperand();
        if (!operand) return;
        int form = 0;
        if (destination == "out") {
            if (!sourceAllowed(*operand, first, true)) return;
            form = (operand->source == Source::B ? 0x8 : 0xA) + (alternative ? 1 : 0);
        } else {
            static constexpr std::array<int, 4> offsets = {3, 0, 1, 2};  // None, A, B, In
            form = (destination == "b" ? 4 : 0) + offsets[static_cast<std::size_t>(operand->source)];
        }
        emit(form, *operand, first.column);
    }

    // OUT and the jumps can add only B (or nothing) to their number.
    bool sourceAllowed(const Operand& operand, const Token& instruction, bool isOut) {
        if (operand.source == Source::None || operand.source == Source::B) return true;
        const std::string name = isOut ? "OUT" : lower(instruction.text) == "jmp" ? "JMP" : "JNC";
        error(operand.sourceToken,
              name + " can add only B to its number, not " + upper(operand.sourceToken.text));
        return false;
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
                token->kind == TokenKind::Name ? registerNamed(token->text) : std::nullopt;
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
        const std::string key = lower(name.text);
        if (key == ".word") {
            std::optional<Operand> operand = parseOperand();
            if (!operand) return;
            if (operand->source != Source::None) {
                error(operand->sourceToken, ".word takes a number or a label, not a register");
                return;
            }
            emitWord(*operand->value, 255, name.column);
            return;
        }
        const bool isClock = key == ".clock";
        if (!isClock && key != ".beep") {
            error(name, "unknown directive " + quoted(name.text));
            return;
        }
        const Token* argument = peek();
        const std::string value = argument != nullptr ? lower(argument->text) : std::string();
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
            if (value != "on" && value != "off") {
                error(argument, "expected on or off after .beep");
                return;
            }
            if (!atEnd() || !firstSetting(beepLine_, name, "Beep")) return;
            result_.switches.beep = value == "on" ? SwitchState::On : SwitchState::Off;
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

    void emit(int form, const Operand& operand, int column) {
        if (!operand.value) {
            storeWord(form << 4, column);
            return;
        }
        emitWord(*operand.value, 15, column, form << 4);
    }

    // A word whose low part is `value` (at most `limit`) added to `high`.
    void emitWord(const Value& value, int limit, int column, int high = 0) {
        if (value.isLabel) {
            if (storeWord(high, column)) {
                labelUses_.push_back({static_cast<std::size_t>(wordCount_ - 1), std::string(value.token.text),
                                      line_, value.token.column});
            }
            return;
        }
        const std::optional<int> number = numberValue(value.token.text);
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

    const Token* peek() const { return next_ < tokens_.size() ? &tokens_[next_] : nullptr; }

    bool atEnd() {
        if (const Token* extra = peek()) {
            error(*extra, "unexpected " + quoted(extra->text));
            return false;
        }
        return true;
    }

    void error(int line, int column, std::string message) {
        result_.errors.push_back({line, column, std::move(message)});
    }
    void error(const Token& at, std::string message) { error(line_, at.column, std::move(message)); }
    // At the token, or at the end of the line when there is none.
    void error(const Token* at, const std::string& message) {
        if (at != nullptr) {
            error(*at, message);
        } else {
            error(line_, endColumn_, message + " at the end of the line");
        }
    }

    Assembly result_;
    std::array<std::uint8_t, maxWords> words_{};
    int wordCount_ = 0;
    std::map<std::string, LabelDefinition, std::less<>> labels_;
    std::vector<LabelUse> labelUses_;
    std::vector<Token> tokens_;
    std::size_t next_ = 0;
    int line_ = 0;
    int endColumn_ = 1;
    int clockLine_ = 0;
    int beepLine_ = 0;
};

}  // namespace

Assembly assemble(std::string_view source) {
    return Assembler().run(source);
}

}  // namespace qzb
