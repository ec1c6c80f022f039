// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "grade/exercise.h"
#include "grade/program.h"
#include "grade/trace_table.h"
#include "machine/panel_switches.h"

namespace qzb {

struct CaseResult {
    std::string name;
    // As the test file gives them: what passing earns, and whether the student sees the case.
    std::uint32_t points = 1;
    bool hidden = false;
    bool passed = true;
    // Where a failed case went wrong: the statement's line, the number of
    // instructions executed since the case's reset, and what was expected and found.
    int line = 0;
    std::uint64_t step = 0;
    std::string message;
    // The last few rows of the trace, ending with the state that failed.
    std::vector<TraceRow> lastSteps;

    std::uint32_t earned() const { return passed ? points : 0; }
};

struct ProgramResult {
    // The program's file name as the reports show it.
    std::string path;
    // The program's panel; nothing when it could not be read or assembled or is
    // a setting file that the panel did not write, and then `problem` and the
    // assembler's `messages` say why.
    std::optional<PanelSwitches> switches;
    std::string problem;
    std::vector<std::string> messages;
    // One per case of the test file, in its order; only the names when there is no program.
    std::vector<CaseResult> cases;

    bool graded() const { return switches.has_value(); }
    std::size_t passedCount() const;
    // What it earned (nothing when it was not graded), of what every case together is worth.
    std::uint64_t pointsEarned() const;
    std::uint64_t pointsPossible() const;
    // Whether it was graded and passed every case: what the exit status and the tally count.
    bool passedEveryCase() const { return graded() && passedCount() == cases.size(); }
    // Why it was not graded, in one line: the problem, then the assembler's messages.
    std::string whyNotGraded() const;
};

inline constexpr std::size_t lastStepsShown = 4;

// Runs every case on `program`, each from the reset state with the input
// switches off. A case stops at its first failed statement.
std::vector<CaseResult> gradeCases(const Exercise& tests, const PanelSwitches& program);

// Grades the program named `path`, unless it could not be read or assembled, is
// a setting file that the panel did not write or is named as a test file.
ProgramResult gradeProgram(const Exercise& tests, const std::string& path, Program program);

// Reads the program at `path` as `run` does and grades it.
ProgramResult gradeProgram(const Exercise& tests, const std::string& path);

}  // namespace qzb
