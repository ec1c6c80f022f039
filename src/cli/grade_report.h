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
std::string gradeReport(std::string_view testsPath, const std::vector<ProgramResult>& programs,
                        ReportFormat format);

// `text` with every ill-formed UTF-8 sequence replaced by U+FFFD, so that a file
// name of any bytes gives valid JSON and XML.
std::string wellFormedUtf8(std::string_view text);

}  // namespace qzb
