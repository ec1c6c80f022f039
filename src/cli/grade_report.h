// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/grader.h"

namespace qzb {

enum class ReportFormat { Text, Csv, Jsonl, Junit };

// The results of grading `programs` against the test file `testsPath`:
// text for people, CSV and JSON lines with one row per program and case
// (program,case,result,step,message), or JUnit XML with one testsuite per program.
// Every name and message is shown through visibleText, so that each report is valid
// UTF-8 without control characters and distinct names stay distinct.
std::string gradeReport(std::string_view testsPath, const std::vector<ProgramResult>& programs,
                        ReportFormat format);

}  // namespace qzb
