// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grade/exercise.h"
#include "grade/grader.h"
#include "grade/program.h"

// Grading as the page does it, from names and bytes the browser hands over, with the
// command line's words: the Exercise pane checks the panel, Grade a class a folder of programs.
namespace qzb {

// A test file read for grading, or why it cannot grade anything: one line (`problem`,
// which the command line writes after "qzb-cli: "), or the parser's errors as FILE:LINE:COL lines.
struct TestFileReading {
    Exercise exercise;
    std::string problem;
    std::vector<std::string> messages;

    bool usable() const { return problem.empty() && messages.empty(); }
};
TestFileReading readTestFile(std::string_view name, std::string_view text);

// The system's words for why a file could not be read, from the name of the error a
// browser gives instead ("NotFoundError"), so that the page lists it as the command line would.
std::string_view readFailureReason(std::string_view browserError);

// A program that could not be read: "cannot read NAME: REASON".
Program unreadableProgram(std::string_view name, std::string_view reason);

// One graded program as the page draws it, in JSON:
// {"program":NAME,"problem":WHY NOT GRADED,"note":NOTE,"cases":[{"name":..,"verdict":"pass"|"FAIL"|"error",
// "failure":..,"at":..,"line":..,"lastSteps":..,"points":EARNED,"maxPoints":N,"hidden":BOOL,"label":..}],
// "points":..,"maxPoints":..} with every text as the text report shows it: a failure as its line
// "add.qzt:13: expected ...", which starts with `at` ("add.qzt:13", of line `line`), and the last steps
// as `run` prints them. `note` is what the page adds about how it read the program. `label` is what a
// student is shown in place of the name: the name, or "hidden case K" for the K-th hidden case, whose
// verdict alone the student sees.
std::string resultsJson(std::string_view testsPath, const ProgramResult& program, std::string_view note = {});

// A test file as the page shows it, in JSON: {"task":TEXT,"problems":[LINE...],"cases":[NAME...],
// "points":[N...],"hidden":[BOOL...]}, the last two one for each case, and when there is a `text`,
// "lines":[LINE...], its lines numbered as the parser numbers them; the problems and the lines are
// shown as the reports show a name.
std::string testFileJson(const TestFileReading& reading, std::string_view text = {});

// What the page's two panes hold: the Exercise pane's test file (its bytes go into its
// link), and Grade a class's test file and the programs graded against it, in the table's order.
struct Classroom {
    std::string exerciseName;
    std::string exerciseText;
    TestFileReading exercise;
    std::string classTestsName;
    std::string classTestsText;
    TestFileReading classTests;
    std::vector<ProgramResult> classResults;

    // Opens Grade a class's test file, which empties the table; returns it as testFileJson does.
    std::string openClassTests(std::string name, std::string_view bytes, std::string_view note = {});
    // Grades a program of the class and adds it to the table's end; returns its row (see resultsJson).
    std::string grade(std::string name, Program program, std::string_view note = {});
    // The same for a file the browser read, as the command line grades it; nothing, and no row, for
    // the class's test file itself (the same name and bytes), which a chosen folder may hold.
    std::string gradeFile(std::string name, std::string_view bytes, std::string_view note = {});
    // The table for a grade book, one row per program, as `qzb-cli test --format grades` prints it.
    std::string gradesCsv() const;
};

}  // namespace qzb
