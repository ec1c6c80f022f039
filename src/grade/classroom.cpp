// SPDX-License-Identifier: MIT
#include "grade/classroom.h"

#include <algorithm>
#include <utility>

#include "common/json.h"
#include "common/text.h"
#include "common/utf8.h"
#include "grade/report.h"

namespace qzb {

TestFileReading readTestFile(std::string_view name, std::string_view text) {
    TestFileReading reading;
    if (std::optional<std::string> problem = exerciseSizeProblem(name, text.size())) {
        reading.problem = std::move(*problem);
        return reading;
    }
    reading.exercise = parseExercise(text);
    if (reading.exercise.errors.empty()) return reading;
    if (isProgram(name, text)) {
        reading.problem = std::string(name) +
                          " is a program, not a test file; the test file comes first: qzb-cli test TESTS.qzt "
                          "PROGRAM...";
    } else {
        reading.messages = locatedMessages(std::string(name), reading.exercise.errors);
    }
    return reading;
}

std::string_view readFailureReason(std::string_view browserError) {
    if (browserError == "NotFoundError") return "No such file or directory";
    if (browserError == "NotReadableError" || browserError == "SecurityError") return "Permission denied";
    return "Input/output error";
}

Program unreadableProgram(std::string_view name, std::string_view reason) {
    Program program;
    program.problem = "cannot read " + std::string(name) + ": " + std::string(reason);
    return program;
}

std::string resultsJson(std::string_view testsPath, const ProgramResult& program, std::string_view note) {
    std::string json = "{\"program\":" + jsonString(visibleText(program.path)) +
                       ",\"problem\":" + jsonString(visibleText(program.whyNotGraded())) +
                       ",\"note\":" + jsonString(visibleText(note)) + ",\"cases\":[";
    std::size_t hiddenCount = 0;
    for (const CaseResult& result : program.cases) {
        if (&result != &program.cases.front()) json += ',';
        const std::string name = visibleText(result.name);
        if (!program.graded()) {
            json += "{\"name\":" + jsonString(name) +
                    ",\"verdict\":\"error\",\"failure\":\"\",\"at\":\"\",\"line\":0,\"lastSteps\":\"\"";
        } else {
            const CaseLines lines = caseLines(testsPath, result);
            const std::string at =
                result.passed ? std::string() : visibleText(testsPath) + ':' + std::to_string(result.line);
            json += "{\"name\":" + jsonString(name) + ",\"verdict\":\"" + std::string(lines.verdict) +
                    "\",\"failure\":" + jsonString(lines.failure) + ",\"at\":" + jsonString(at) +
                    ",\"line\":" + std::to_string(result.line) +
                    ",\"lastSteps\":" + jsonString(lines.lastSteps);
        }
        const std::string label = result.hidden ? "hidden case " + std::to_string(++hiddenCount) : name;
        json += ",\"points\":" + std::to_string(program.graded() ? result.earned() : 0) +
                ",\"maxPoints\":" + std::to_string(result.points) +
                ",\"hidden\":" + (result.hidden ? "true" : "false") + ",\"label\":" + jsonString(label) + '}';
    }
    return json + "],\"points\":" + std::to_string(program.pointsEarned()) +
           ",\"maxPoints\":" + std::to_string(program.pointsPossible()) + '}';
}

std::string testFileJson(const TestFileReading& reading, std::string_view text) {
    std::string json =
        "{\"task\":" + jsonString(visibleText(reading.exercise.task, "\n\t")) + ",\"problems\":[";
    std::vector<std::string> problems = reading.messages;
    if (!reading.problem.empty()) problems.insert(problems.begin(), reading.problem);
    for (const std::string& problem : problems) {
        if (&problem != &problems.front()) json += ',';
        json += jsonString(visibleText(problem));
    }
    std::string names;
    std::string points;
    std::string hidden;
    if (reading.usable()) {
        for (const Case& testCase : reading.exercise.cases) {
            names += jsonString(visibleText(testCase.name)) + ',';
            points += std::to_string(testCase.points) + ',';
            hidden += testCase.hidden ? "true," : "false,";
        }
    }
    for (std::string* list : {&names, &points, &hidden}) {
        if (!list->empty()) list->pop_back();
    }
    json.append("],\"cases\":[").append(names).append("],\"points\":[").append(points);
    json.append("],\"hidden\":[").append(hidden).append("]");
    if (text.empty()) return json + '}';
    // A hidden case's lines are left empty: a student sees its verdict alone.
    std::vector<std::pair<int, int>> hiddenLines;
    for (const Case& testCase : reading.exercise.cases) {
        if (!testCase.hidden) continue;
        int last = testCase.line;
        for (const Statement& statement : testCase.statements) last = std::max(last, statement.line);
        hiddenLines.emplace_back(testCase.line, last);
    }
    // Line by line as the parser reads them, without the line ends and the last line's nothing.
    json += ",\"lines\":[";
    text = withoutByteOrderMark(text);
    for (int number = 1; !text.empty(); ++number) {
        std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        if (line.ends_with('\r')) line.remove_suffix(1);
        const bool hidden = std::any_of(hiddenLines.begin(), hiddenLines.end(), [&](const auto& range) {
            return number >= range.first && number <= range.second;
        });
        if (number > 1) json += ',';
        json += jsonString(hidden ? std::string() : visibleText(line));
    }
    return json + "]}";
}

std::string Classroom::openClassTests(std::string name, std::string_view bytes, std::string_view note) {
    classTestsText = std::string(bytes);
    classTests = readTestFile(name, bytes);
    if (!note.empty()) classTests.messages.emplace_back(note);
    classTestsName = std::move(name);
    classResults.clear();
    return testFileJson(classTests, bytes);
}

std::string Classroom::gradeFile(std::string name, std::string_view bytes, std::string_view note) {
    if (name == classTestsName && bytes == classTestsText) return {};
    Program program = programFromBytes(name, bytes);
    return grade(std::move(name), std::move(program), note);
}

std::string Classroom::gradesCsv() const {
    return gradeReport(classTestsName, classResults, ReportFormat::Grades);
}

std::string Classroom::grade(std::string name, Program program, std::string_view note) {
    classResults.push_back(gradeProgram(classTests.exercise, std::move(name), std::move(program)));
    return resultsJson(classTestsName, classResults.back(), note);
}

}  // namespace qzb
