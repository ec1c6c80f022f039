// SPDX-License-Identifier: MIT
#include "grade/report.h"

#include <algorithm>

#include "common/json.h"
#include "common/utf8.h"
#include "common/xml.h"
#include "grade/trace_table.h"

namespace qzb {
namespace {

std::string plural(std::uint64_t count, std::string_view noun) {
    return std::to_string(count) + ' ' + std::string(noun) + (count == 1 ? "" : "s");
}

// What went wrong with a case, with where in the test file.
std::string failureText(std::string_view testsPath, const CaseResult& result) {
    return std::string(testsPath) + ':' + std::to_string(result.line) + ": " + result.message;
}

void appendIndented(std::string& out, std::string_view text, std::string_view indent) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        out += indent;
        out += text.substr(0, end);
        out += '\n';
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// Whether a program's cases are worth other than 1 point each, when its reports count points.
bool countsPoints(const ProgramResult& program) {
    return std::any_of(program.cases.begin(), program.cases.end(),
                       [](const CaseResult& result) { return result.points != 1; });
}

std::string textReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::string out;
    std::size_t passed = 0;
    std::size_t failed = 0;
    for (const ProgramResult& program : programs) {
        const std::string name = visibleText(program.path);
        if (!program.graded()) {
            out += name + ": not graded: " + visibleText(program.problem) + '\n';
            for (const std::string& message : program.messages) out += "  " + visibleText(message) + '\n';
            continue;
        }
        (program.passedEveryCase() ? passed : failed) += 1;
        out += name + ": " + std::to_string(program.passedCount()) + " of " +
               plural(program.cases.size(), "case") + " passed";
        if (countsPoints(program)) {
            out += ", " + std::to_string(program.pointsEarned()) + " of " +
                   plural(program.pointsPossible(), "point");
        }
        out += '\n';
        for (const CaseResult& result : program.cases) {
            const CaseLines lines = caseLines(testsPath, result);
            out += "  " + std::string(lines.verdict) + "  " + lines.name;
            out += lines.note.empty() ? "\n" : " (" + lines.note + ")\n";
            if (result.passed) continue;
            out += "        " + lines.failure + '\n';
            appendIndented(out, lines.lastSteps, "        ");
        }
    }
    if (programs.size() > 1) {
        out += plural(programs.size(), "program") + ": " + std::to_string(passed) + " passed every case, " +
               std::to_string(failed) + " failed, " + std::to_string(programs.size() - passed - failed) +
               " not graded\n";
    }
    return out;
}

// A spreadsheet runs a cell that starts with one of these as a formula; a leading
// quote keeps a student's file name from doing so.
std::string csvField(std::string_view text) {
    const std::string shown = visibleText(text);
    std::string field;
    if (!shown.empty() && std::string_view("=+-@").find(shown.front()) != std::string_view::npos) field = "'";
    field += shown;
    if (field.find_first_of(",\"") == std::string::npos) return field;
    std::string quotedField = "\"";
    for (const char c : field) {
        quotedField += c;
        if (c == '"') quotedField += '"';
    }
    return quotedField + '"';
}

struct Row {
    const ProgramResult* program;
    const CaseResult* result;
    std::string_view outcome;  // pass, fail or error
    std::string step;          // empty when there is none
    std::string message;
    std::uint32_t points;  // earned
};

std::vector<Row> rows(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::vector<Row> all;
    for (const ProgramResult& program : programs) {
        const std::string problem = program.graded() ? std::string() : program.whyNotGraded();
        for (const CaseResult& result : program.cases) {
            if (!program.graded()) {
                all.push_back({&program, &result, "error", {}, problem, 0});
            } else if (result.passed) {
                all.push_back({&program, &result, "pass", {}, {}, result.points});
            } else {
                all.push_back({&program, &result, "fail", std::to_string(result.step),
                               failureText(testsPath, result), 0});
            }
        }
    }
    return all;
}

std::string csvReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::string out = "program,case,result,step,message,points\n";
    for (const Row& row : rows(testsPath, programs)) {
        out += csvField(row.program->path) + ',' + csvField(row.result->name) + ',' +
               std::string(row.outcome) + ',' + row.step + ',' + csvField(row.message) + ',' +
               std::to_string(row.points) + '\n';
    }
    return out;
}

std::string gradesReport(const std::vector<ProgramResult>& programs) {
    std::string out = "program,points,max_points,passed,failed,errors\n";
    for (const ProgramResult& program : programs) {
        const std::size_t passed = program.graded() ? program.passedCount() : 0;
        const std::size_t failed = program.graded() ? program.cases.size() - passed : 0;
        out += csvField(program.path) + ',' + std::to_string(program.pointsEarned()) + ',' +
               std::to_string(program.pointsPossible()) + ',' + std::to_string(passed) + ',' +
               std::to_string(failed) + ',' + std::to_string(program.cases.size() - passed - failed) + '\n';
    }
    return out;
}

std::string jsonReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::string out;
    for (const Row& row : rows(testsPath, programs)) {
        out += "{\"program\":" + jsonString(visibleText(row.program->path)) +
               ",\"case\":" + jsonString(visibleText(row.result->name)) + ",\"result\":\"" +
               std::string(row.outcome) + "\",\"step\":" + (row.step.empty() ? "null" : row.step) +
               ",\"message\":" + jsonString(visibleText(row.message)) +
               ",\"points\":" + std::to_string(row.points) + "}\n";
    }
    return out;
}

// Text from outside goes through `xml`; only the trace rows, which this program writes, keep
// their line ends.
std::string xml(std::string_view text) {
    return xmlEscaped(visibleText(text));
}

// A case's points and that it is hidden, where they differ from a visible case worth 1 point.
std::string junitProperties(const CaseResult& result) {
    std::string properties;
    if (result.points != 1)
        properties += "        <property name=\"points\" value=\"" + std::to_string(result.points) + "\"/>\n";
    if (result.hidden) properties += "        <property name=\"hidden\" value=\"true\"/>\n";
    if (properties.empty()) return {};
    return "      <properties>\n" + properties + "      </properties>\n";
}

std::string junitReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::size_t tests = 0;
    std::size_t failures = 0;
    std::size_t errors = 0;
    std::string suites;
    for (const ProgramResult& program : programs) {
        const std::size_t count = program.cases.size();
        const std::size_t failed = program.graded() ? count - program.passedCount() : 0;
        const std::size_t erred = program.graded() ? 0 : count;
        tests += count;
        failures += failed;
        errors += erred;
        const std::string name = xml(program.path);
        suites += "  <testsuite name=\"" + name + "\" tests=\"" + std::to_string(count) + "\" failures=\"" +
                  std::to_string(failed) + "\" errors=\"" + std::to_string(erred) + "\">\n";
        const std::string problem = program.graded() ? std::string() : xml(program.whyNotGraded());
        for (const CaseResult& result : program.cases) {
            suites += "    <testcase name=\"" + xml(result.name) + "\" classname=\"" + name + '"';
            std::string inside = junitProperties(result);
            if (!program.graded()) {
                inside += "      <error message=\"" + problem + "\"/>\n";
            } else if (!result.passed) {
                const std::string message = failureText(testsPath, result);
                inside += "      <failure message=\"" + xml(message) + "\">" + xml(message) + " at step " +
                          std::to_string(result.step) + '\n' + xmlEscaped(textTraceRows(result.lastSteps)) +
                          "</failure>\n";
            }
            suites += inside.empty() ? "/>\n" : ">\n" + inside + "    </testcase>\n";
        }
        suites += "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" + xml(testsPath) +
           "\" tests=\"" + std::to_string(tests) + "\" failures=\"" + std::to_string(failures) +
           "\" errors=\"" + std::to_string(errors) + "\">\n" + suites + "</testsuites>\n";
}

}  // namespace

CaseLines caseLines(std::string_view testsPath, const CaseResult& result) {
    CaseLines lines{result.passed ? "pass" : "FAIL", visibleText(result.name), {}, {}, {}};
    if (result.points != 1) lines.note = plural(result.points, "point");
    if (result.hidden) lines.note += lines.note.empty() ? "hidden" : ", hidden";
    if (!result.passed) {
        lines.failure =
            visibleText(failureText(testsPath, result)) + " at step " + std::to_string(result.step);
        lines.lastSteps = textTraceRows(result.lastSteps);
    }
    return lines;
}

std::string gradeReport(std::string_view testsPath, const std::vector<ProgramResult>& programs,
                        ReportFormat format) {
    switch (format) {
        case ReportFormat::Csv: return csvReport(testsPath, programs);
        case ReportFormat::Jsonl: return jsonReport(testsPath, programs);
        case ReportFormat::Junit: return junitReport(testsPath, programs);
        case ReportFormat::Grades: return gradesReport(programs);
        case ReportFormat::Text: break;
    }
    return textReport(testsPath, programs);
}

}  // namespace qzb

namespace qzb {
namespace {

// What a platform shows of a case: its failure line and the steps before it, or why the program was not
// graded; empty for a pass.
struct CaseOutput {
    std::string message;
    std::string lastSteps;
};

CaseOutput caseOutput(std::string_view testsPath, const ProgramResult& program, const CaseResult& result) {
    if (!program.graded()) return {visibleText(program.whyNotGraded()), {}};
    const CaseLines lines = caseLines(testsPath, result);
    return {lines.failure, lines.lastSteps};
}

// Earned / possible as a JSON number with up to six decimals, cut rather than rounded so that a
// program that lost a point never shows 1. All cases worth nothing count as a whole when every one passed.
std::string fraction(const ProgramResult& program) {
    const std::uint64_t possible = program.pointsPossible();
    if (possible == 0) return program.passedEveryCase() ? "1" : "0";
    const std::uint64_t millionths = program.pointsEarned() * 1'000'000 / possible;
    if (millionths == 1'000'000) return "1";
    std::string digits = std::to_string(1'000'000 + millionths).substr(1);
    digits.erase(digits.find_last_not_of('0') + 1);
    return digits.empty() ? "0" : "0." + digits;
}

}  // namespace

std::string pointsLine(const ProgramResult& program) {
    std::string line =
        std::to_string(program.pointsEarned()) + " of " + plural(program.pointsPossible(), "point");
    if (!program.graded()) line += ": " + visibleText(program.whyNotGraded());
    return line;
}

std::string gradescopeResults(std::string_view testsPath, const ProgramResult& program,
                              std::string_view note) {
    std::string output = pointsLine(program);
    if (!note.empty()) output += " (" + visibleText(note) + ')';
    std::string json = "{\"score\":" + std::to_string(program.pointsEarned()) +
                       ",\"output\":" + jsonString(output) + ",\"test_output_format\":\"text\",\"tests\":[\n";
    for (const CaseResult& result : program.cases) {
        const bool passed = program.graded() && result.passed;
        const CaseOutput shown = caseOutput(testsPath, program, result);
        json += "{\"name\":" + jsonString(visibleText(result.name)) +
                ",\"score\":" + std::to_string(passed ? result.points : 0) +
                ",\"max_score\":" + std::to_string(result.points) + ",\"status\":\"" +
                (passed ? "passed" : "failed") + "\",\"output\":" +
                jsonString(shown.lastSteps.empty() ? shown.message : shown.message + '\n' + shown.lastSteps) +
                ",\"visibility\":\"" + (result.hidden ? "after_published" : "visible") + "\"}" +
                (&result == &program.cases.back() ? "\n" : ",\n");
    }
    return json + "]}\n";
}

std::string prairieLearnResults(std::string_view testsPath, const ProgramResult& program) {
    std::string json = std::string("{\"gradable\":") + (program.graded() ? "true" : "false");
    if (!program.graded())
        json += ",\"format_errors\":[" + jsonString(visibleText(program.whyNotGraded())) + ']';
    json += ",\"score\":" + fraction(program) + ",\"message\":" + jsonString(pointsLine(program)) +
            ",\"tests\":[\n";
    for (const CaseResult& result : program.cases) {
        const CaseOutput shown = caseOutput(testsPath, program, result);
        json += "{\"name\":" + jsonString(visibleText(result.name)) +
                ",\"points\":" + std::to_string(program.graded() ? result.earned() : 0) +
                ",\"max_points\":" + std::to_string(result.points) +
                ",\"message\":" + jsonString(shown.message) + ",\"output\":" + jsonString(shown.lastSteps) +
                '}' + (&result == &program.cases.back() ? "\n" : ",\n");
    }
    return json + "]}\n";
}

}  // namespace qzb
