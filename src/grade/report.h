// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grade/grader.h"

namespace qzb {

// What the text report says of one case of a graded program, each part as it shows it.
struct CaseLines {
    std::string_view verdict;  // "pass" or "FAIL"
    std::string name;
    // What differs from a visible case worth 1 point: "2 points, hidden", "hidden"; empty otherwise.
    std::string note;
    // For a failure, where and how it went wrong:
    // "add.qzt:13: expected out=15, found out=1 at step 10".
    std::string failure;
    // For a failure, the steps up to it as `run` prints them: the header, then a row a line.
    std::string lastSteps;
};
CaseLines caseLines(std::string_view testsPath, const CaseResult& result);

enum class ReportFormat { Text, Csv, Jsonl, Junit, Grades };

// The results of grading `programs` against the test file `testsPath`:
// text for people, CSV and JSON lines with one row per program and case
// (program,case,result,step,message,points: the points earned), or JUnit XML with one testsuite
// per program. A case worth other than 1 point, or hidden, says so in the text and JUnit reports.
// Grades is a CSV for a grade book, one row per program: program,points,max_points,passed,failed,errors.
// Every name and message is shown through visibleText, so that each report is valid
// UTF-8 without control characters and distinct names stay distinct.
std::string gradeReport(std::string_view testsPath, const std::vector<ProgramResult>& programs,
                        ReportFormat format);

// "3 of 4 points", and for a program that was not graded ": " and why.
std::string pointsLine(const ProgramResult& program);

// Gradescope's results.json for one program: the points earned, the points line (with `note`
// after it in brackets when given), and a test per case with its points, its failure as the
// text report gives it, and "after_published" visibility for a hidden case.
std::string gradescopeResults(std::string_view testsPath, const ProgramResult& program,
                              std::string_view note = {});

// PrairieLearn's external grader results.json for one program: gradable (with format_errors when
// it was not graded), the score as a fraction of the points, the points line and a test per case.
std::string prairieLearnResults(std::string_view testsPath, const ProgramResult& program);

}  // namespace qzb
