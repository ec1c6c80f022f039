// SPDX-License-Identifier: MIT
#include "cli/grade_report.h"

#include <span>

#include "cli/trace.h"

namespace qzb {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";  // U+FFFD

// Control characters shown as '?': a file name must not drive the terminal it is printed on.
std::string printable(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return result;
}

std::string plural(std::size_t count, std::string_view noun) {
    return std::to_string(count) + ' ' + std::string(noun) + (count == 1 ? "" : "s");
}

// What went wrong with a case, with where in the test file.
std::string failureText(std::string_view testsPath, const CaseResult& result) {
    return std::string(testsPath) + ':' + std::to_string(result.line) + ": " + result.message;
}

// Why a program was not graded, in one line.
std::string problemText(const ProgramResult& program) {
    std::string text = program.problem;
    for (std::size_t i = 0; i < program.messages.size(); ++i)
        text += (i == 0 ? ": " : "; ") + program.messages[i];
    return text;
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

std::string textReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::string out;
    std::size_t passed = 0;
    std::size_t failed = 0;
    for (const ProgramResult& program : programs) {
        const std::string name = printable(program.path);
        if (!program.graded()) {
            out += name + ": not graded: " + printable(program.problem) + '\n';
            for (const std::string& message : program.messages) out += "  " + printable(message) + '\n';
            continue;
        }
        const std::size_t count = program.passedCount();
        (count == program.cases.size() ? passed : failed) += 1;
        out +=
            name + ": " + std::to_string(count) + " of " + plural(program.cases.size(), "case") + " passed\n";
        for (const CaseResult& result : program.cases) {
            out += (result.passed ? "  pass  " : "  FAIL  ") + result.name + '\n';
            if (result.passed) continue;
            out += "        " + printable(failureText(testsPath, result)) + " at step " +
                   std::to_string(result.step) + '\n';
            appendIndented(out, textTraceRows(*program.switches, result.lastSteps), "        ");
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
    std::string field;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        field = "'";
    field += text;
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quotedField = "\"";
    for (const char c : field) {
        quotedField += c;
        if (c == '"') quotedField += '"';
    }
    return quotedField + '"';
}

std::string jsonString(std::string_view text) {
    constexpr std::string_view hex = "0123456789abcdef";
    std::string result = "\"";
    for (const char c : wellFormedUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            result += '\\';
            result += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            result += "\\u00";
            result += hex[byte >> 4];
            result += hex[byte & 15];
        } else {
            result += c;
        }
    }
    return result + '"';
}

struct Row {
    const ProgramResult* program;
    const CaseResult* result;
    std::string_view outcome;  // pass, fail or error
    std::string step;          // empty when there is none
    std::string message;
};

std::vector<Row> rows(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::vector<Row> all;
    for (const ProgramResult& program : programs) {
        const std::string problem = program.graded() ? std::string() : problemText(program);
        for (const CaseResult& result : program.cases) {
            if (!program.graded()) {
                all.push_back({&program, &result, "error", {}, problem});
            } else if (result.passed) {
                all.push_back({&program, &result, "pass", {}, {}});
            } else {
                all.push_back(
                    {&program, &result, "fail", std::to_string(result.step), failureText(testsPath, result)});
            }
        }
    }
    return all;
}

std::string csvReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::string out = "program,case,result,step,message\n";
    for (const Row& row : rows(testsPath, programs)) {
        out += csvField(row.program->path) + ',' + csvField(row.result->name) + ',' +
               std::string(row.outcome) + ',' + row.step + ',' + csvField(row.message) + '\n';
    }
    return out;
}

std::string jsonReport(std::string_view testsPath, const std::vector<ProgramResult>& programs) {
    std::string out;
    for (const Row& row : rows(testsPath, programs)) {
        out += "{\"program\":" + jsonString(row.program->path) + ",\"case\":" + jsonString(row.result->name) +
               ",\"result\":\"" + std::string(row.outcome) +
               "\",\"step\":" + (row.step.empty() ? "null" : row.step) +
               ",\"message\":" + jsonString(row.message) + "}\n";
    }
    return out;
}

// Escaped for an XML attribute value, or for element text where a line end stays
// as it is; the control characters XML cannot hold at all become U+FFFD.
std::string xml(std::string_view text, bool attribute = true) {
    std::string result;
    for (const char c : wellFormedUtf8(text)) {
        switch (c) {
            case '&': result += "&amp;"; break;
            case '<': result += "&lt;"; break;
            case '>': result += "&gt;"; break;
            case '"': result += "&quot;"; break;
            case '\'': result += "&apos;"; break;
            case '\n': result += attribute ? "&#10;" : "\n"; break;
            case '\r': result += "&#13;"; break;
            case '\t': result += "&#9;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    result += replacement;
                } else {
                    result += c;
                }
        }
    }
    return result;
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
        const std::string problem = program.graded() ? std::string() : xml(problemText(program));
        for (const CaseResult& result : program.cases) {
            suites += "    <testcase name=\"" + xml(result.name) + "\" classname=\"" + name + '"';
            if (!program.graded()) {
                suites += ">\n      <error message=\"" + problem + "\"/>\n    </testcase>\n";
            } else if (result.passed) {
                suites += "/>\n";
            } else {
                const std::string message = failureText(testsPath, result);
                suites += ">\n      <failure message=\"" + xml(message) + "\">" +
                          xml(message + " at step " + std::to_string(result.step) + '\n' +
                                  textTraceRows(*program.switches, result.lastSteps),
                              false) +
                          "</failure>\n    </testcase>\n";
            }
        }
        suites += "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" + xml(testsPath) +
           "\" tests=\"" + std::to_string(tests) + "\" failures=\"" + std::to_string(failures) +
           "\" errors=\"" + std::to_string(errors) + "\">\n" + suites + "</testsuites>\n";
}

}  // namespace

std::string wellFormedUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) &&
                code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) && code != 0xFFFE && code != 0xFFFF;
        if (valid) {
            result += text.substr(i, length);
            i += length;
        } else {
            result += replacement;  // one replacement per bad byte keeps the rest in step
            ++i;
        }
    }
    return result;
}

std::string gradeReport(std::string_view testsPath, const std::vector<ProgramResult>& programs,
                        ReportFormat format) {
    switch (format) {
        case ReportFormat::Csv: return csvReport(testsPath, programs);
        case ReportFormat::Jsonl: return jsonReport(testsPath, programs);
        case ReportFormat::Junit: return junitReport(testsPath, programs);
        case ReportFormat::Text: break;
    }
    return textReport(testsPath, programs);
}

}  // namespace qzb
