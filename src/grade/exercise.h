// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostic.h"
#include "common/line_lexer.h"
#include "machine/panel_switches.h"

namespace qzb {

// A value a register must show. Bits outside `care` may be anything (0bxx10).
struct Pattern {
    std::uint8_t value = 0;
    std::uint8_t care = 15;

    bool matches(std::uint8_t actual) const { return (actual & care) == value; }
};

enum class Register : std::uint8_t { Pc, A, B, Out, Carry };
// How a value was written, so that a report shows what was found the same way.
using Radix = lexer::Radix;

// One NAME=VALUE of a condition.
struct Condition {
    Register name = Register::Pc;
    Pattern pattern;
    Radix radix = Radix::Decimal;
};

struct Statement {
    enum class Kind : std::uint8_t {
        Input,
        Run,
        RunUntil,
        Expect,
        ExpectSequence,
        ExpectFor,
        ExpectLikeModel
    };

    Kind kind = Kind::Run;
    int line = 0;
    std::uint8_t input = 0;  // Input
    // Run, the `within` of RunUntil, ExpectSequence and ExpectLikeModel, the `for` of ExpectFor
    std::uint32_t steps = 0;
    std::uint32_t modelSteps = 0;        // ExpectLikeModel: how long the model runs
    std::vector<Condition> conditions;   // RunUntil, Expect, ExpectFor: all must hold
    std::vector<std::uint8_t> sequence;  // ExpectSequence: the OUT values in order
};

struct Case {
    std::string name;
    int line = 0;
    // What passing it earns; a hidden case is listed to the student without its name or failure.
    std::uint32_t points = 1;
    bool hidden = false;
    std::vector<Statement> statements;
};

// A test file: the task it sets and the cases that check a program against it.
struct Exercise {
    // The comment lines that open the file, without their `;` and one blank after
    // it, one a line ("Exercise: show IN + 5 on the lamps, ..."); empty when it opens otherwise.
    std::string task;
    // The teacher's program that `expect out like model` compares with; nothing when the file has none.
    std::optional<PanelSwitches> model;
    std::vector<Case> cases;
    // In file order; the cases count only when this is empty.
    std::vector<Diagnostic> errors;
};

inline constexpr std::uint32_t maxRunSteps = 1'000'000;
// What all the cases of a file may take together, counting N of every run, run
// until and sequence: about a second for each program graded.
inline constexpr std::uint64_t maxFileSteps = 100'000'000;
inline constexpr std::size_t maxSequenceLength = 64;
inline constexpr std::uint32_t maxCasePoints = 1000;
// `expect out like model` runs the model and the program once for every input value.
inline constexpr std::uint32_t modelInputs = 16;

// The test-file language, one statement a line, `;` starts a comment, keywords in
// any case:
//
//   case "NAME" [points N] [hidden]              starts a case, from the reset state; N 0-1000, 1
//                                                when not given
//   input BITS                                   the input switches, bit 3 first
//   run N                                        N instructions, 0 to 1000000
//   run until COND within N                      until COND holds, at most N instructions
//   expect COND                                  COND holds now
//   expect COND for N steps                      COND holds now and after each of the next N steps
//   expect out sequence V1 V2 ... within N       OUT shows V1, V2, ... within N instructions
//   expect out like model for M within N         for every input, OUT shows within N instructions
//                                                what the model shows in M; alone in its case
//   model ... end                                the model: an assembly source, once in a file
//
// The cases of a file take at most 100000000 steps in all, a comparison with the model 16 * (M + N). The file
// is UTF-8. COND is one or more NAME=VALUE (pc, a, b, out, carry), all of which must hold. VALUE is decimal,
// 0x hex, or 0b with four binary digits where x is any bit.
Exercise parseExercise(std::string_view text);

// Readers stop at 64 KiB, so a test file that reaches that size may have been cut short
// and is refused whole: "NAME is too large for a test file (64 KiB or more)".
std::optional<std::string> exerciseSizeProblem(std::string_view name, std::size_t size);

// "pc", "a", "b", "out" or "carry".
std::string_view registerName(Register name);
// A condition as a test file writes it, such as "out=0b1xx0".
std::string conditionText(const Condition& condition);
// `actual` written as `condition` writes its value, such as "out=0b0110".
std::string foundText(const Condition& condition, std::uint8_t actual);

}  // namespace qzb
