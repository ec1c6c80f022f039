// SPDX-License-Identifier: MIT
// Feeds arbitrary text to the exercise (test-file) parser. What it refuses must be refused
// with a position inside the text; what it takes is graded on a small program,
// and every report of the result must be printable UTF-8, line by line, and keep
// its quoted names inside their fields.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/utf8.h"
#include "fuzz_check.h"
#include "grade/exercise.h"
#include "grade/grader.h"
#include "grade/program.h"
#include "grade/report.h"

namespace {

// OUT = IN + 5, or 15 past 15, with one greyed switch that must read as off.
qzb::PanelSwitches program() {
    qzb::PanelSwitches switches;
    constexpr std::uint8_t words[] = {0x65, 0xE3, 0x7F, 0x80, 0xF0};
    for (std::size_t address = 0; address < std::size(words); ++address) {
        for (std::size_t bit = 0; bit < 8; ++bit) {
            if (((words[address] >> bit) & 1) != 0)
                switches.program[address * 8 + bit] = qzb::SwitchState::On;
        }
    }
    switches.program[100] = qzb::SwitchState::Greyed;
    return switches;
}

bool printableLines(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (!qzb::isPrintableText(text.substr(0, end))) return false;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The same bytes handed in as a program, as the page reads one: it runs or says why not.
    const qzb::Program source = qzb::programFromBytes("p.s", text);
    check(source.switches.has_value() == source.problem.empty(), "a source runs or says why not");
    check(qzb::programFromBytes("p.qzb", text).switches.has_value(), "a setting file always loads");

    const qzb::Exercise file = qzb::parseExercise(text);
    const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;

    if (!file.errors.empty()) {
        for (const qzb::Diagnostic& error : file.errors) {
            check(error.line >= 1 && error.line <= lines, "error line inside the text");
            check(error.column >= 1 && static_cast<std::size_t>(error.column) <= size + 1, "error column");
            check(!error.message.empty(), "error message");
        }
        return 0;
    }
    check(!file.cases.empty(), "a file without errors has a case");
    std::uint64_t steps = 0;
    for (const qzb::Case& testCase : file.cases) {
        check(!testCase.name.empty() && qzb::isPrintableText(testCase.name), "case name");
        check(testCase.points <= qzb::maxCasePoints, "case points");
        for (const qzb::Statement& statement : testCase.statements) {
            check(statement.line > testCase.line && statement.line <= lines, "statement line");
            check(statement.steps <= qzb::maxRunSteps && statement.input <= 15, "statement values");
            check(statement.sequence.size() <= qzb::maxSequenceLength, "sequence length");
            if (statement.kind == qzb::Statement::Kind::ExpectLikeModel) {
                check(file.model.has_value() && testCase.statements.size() == 1,
                      "like model alone, with a model");
                steps +=
                    std::uint64_t{qzb::modelInputs} * (statement.modelSteps + std::uint64_t{statement.steps});
            } else {
                steps += statement.steps;
            }
        }
    }
    check(steps <= qzb::maxFileSteps, "steps of the whole file");
    if (steps > 20000) return 0;  // grading is what the tests measure; here only its reports matter

    qzb::ProgramResult graded;
    graded.path = "p.s";
    graded.switches = program();
    graded.cases = qzb::gradeCases(file, *graded.switches);
    check(graded.cases.size() == file.cases.size(), "one result per case");
    for (const qzb::CaseResult& result : graded.cases) {
        check(result.passed == result.message.empty(), "a message only for a failure");
        if (result.passed) continue;
        check(!result.lastSteps.empty() && result.lastSteps.size() <= qzb::lastStepsShown, "last steps kept");
        check(result.lastSteps.back().step == result.step && result.step <= steps, "failure step");
    }
    qzb::ProgramResult unread;
    unread.path = "q\x01\xFF.s";
    unread.problem = "cannot read it";
    unread.cases.resize(file.cases.size());
    for (std::size_t i = 0; i < file.cases.size(); ++i) unread.cases[i].name = file.cases[i].name;

    const std::vector<qzb::ProgramResult> programs = {graded, unread};
    const std::string json = qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Jsonl);
    check(printableLines(json), "JSON lines are printable UTF-8");
    check(static_cast<std::size_t>(std::count(json.begin(), json.end(), '\n')) == 2 * file.cases.size(),
          "one JSON line per program and case");
    const std::string junit = qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Junit);
    check(printableLines(junit), "JUnit is printable UTF-8, line by line");
    std::size_t testcases = 0;
    for (std::size_t at = junit.find("<testcase "); at != std::string::npos;
         at = junit.find("<testcase ", at + 1)) {
        ++testcases;
    }
    check(testcases == 2 * file.cases.size(), "one testcase element per program and case");
    check(printableLines(qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Csv)),
          "CSV is printable UTF-8");
    check(printableLines(qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Text)),
          "the text report is printable UTF-8");
    const std::string grades = qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Grades);
    check(printableLines(grades) && std::count(grades.begin(), grades.end(), '\n') == 3,
          "a grade row per program");
    for (const qzb::ProgramResult& program : programs) {
        check(program.pointsEarned() <= program.pointsPossible(), "points earned of those possible");
        // One line per case between the opening and the closing line, each printable.
        for (const std::string& json : {qzb::gradescopeResults("t.qzt", program, "n\x01"),
                                        qzb::prairieLearnResults("t.qzt", program)}) {
            check(printableLines(json) && static_cast<std::size_t>(std::count(json.begin(), json.end(),
                                                                              '\n')) == file.cases.size() + 2,
                  "platform results: a line per case, printable");
        }
    }
    return 0;
}
