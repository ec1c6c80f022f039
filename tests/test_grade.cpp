// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <bitset>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "common/utf8.h"
#include "grade/classroom.h"
#include "grade/exercise.h"
#include "grade/grader.h"
#include "grade/report.h"
#include "grade/trace_table.h"
#include "reference_model.h"

using namespace std::literals;

namespace {

using Words = std::vector<int>;
using Inputs = std::vector<std::pair<int, int>>;  // from this step on, the input switches read this

qzb::PanelSwitches panel(const Words& words) {
    qzb::PanelSwitches switches;
    for (std::size_t bit = 0; bit < words.size() * 8; ++bit)
        switches.program[bit] = qzb::SwitchState((words[bit / 8] >> bit % 8) & 1);
    return switches;
}

// The states after 0, 1, ... 90 instructions, as the reference table runs them.
std::vector<qzb::MachineState> referenceTrace(const Words& words, const Inputs& inputs) {
    std::vector<qzb::MachineState> trace(1);
    int input = 0;
    for (int step = 0; step < 90; ++step) {
        for (const auto& [from, value] : inputs) input = from == step ? value : input;
        const std::size_t pc = trace.back().pc;
        trace.push_back(reference::step(trace.back(), pc < words.size() ? words[pc] : 0, input));
    }
    return trace;
}

// The OUT values the reference table shows from reset with the input fixed, each once while it lasts.
std::vector<int> referenceValues(const Words& words, int input, int steps) {
    const std::vector<qzb::MachineState> trace = referenceTrace(words, {{0, input}});
    std::vector<int> values{trace[0].out};
    for (int step = 1; step <= steps; ++step) {
        if (trace.at(std::size_t(step)).out != values.back()) values.push_back(trace[std::size_t(step)].out);
    }
    return values;
}

const Words count = {0x51, 0x80, 0xF0};                   // B = B + 1, OUT = B, JMP 0
const Words countByTwo = {0x52, 0x80, 0xF0};              // B = B + 2 instead
const Words slowCount = {0x51, 0x00, 0x80, 0xF0};         // one step more per count
const Words addFive = {0x65, 0x80, 0xF0};                 // B = IN + 5, OUT = B, JMP 0
const Words addFiveOnce = {0x65, 0x80, 0xF1};             // reads the input only once
const Words clampedAdd = {0x65, 0xE3, 0x7F, 0x80, 0xF0};  // OUT = IN + 5, or 15 past 15
const Words oneTwoThree = {0xA1, 0xA2, 0xA3, 0xF3};       // OUT = 1, 2, 3, then holds
const Words oneFiveTwoThree = {0xA1, 0xA5, 0xA2, 0xA3, 0xF4};
const Words oneFiveOneTwoFive = {0xA1, 0xA5, 0xA1, 0xA2, 0xA5, 0xF5};

}  // namespace

// Each row: a correct program that must pass its case, and a program with one fault that must fail
// it at `step` with `message`; the values worked out by hand, the failing state as the reference
// table runs the faulty program.
TEST_CASE("each statement passes a correct program and fails a faulty one") {
    struct Row {
        Words good, bad;
        Inputs inputs;
        const char* tests;
        int line;  // of the failing statement; the case is line 1
        std::uint64_t step;
        const char* message;
    };
    // clang-format off
    const Row rows[] = {
        {count, countByTwo, {}, "run 5\nexpect out=2 b=2 pc=2", 3, 5, "expected out=2 b=2 pc=2, found out=4 b=4 pc=2"},
        {count, countByTwo, {}, "run 9\nexpect out=0b00x1", 3, 9, "expected out=0b00x1, found out=0b0110"},
        {count, countByTwo, {}, "run 2\nexpect out=0x1", 3, 2, "expected out=0x1, found out=0x2"},
        {addFive, addFiveOnce, {{0, 9}, {3, 3}}, "input 1001\nrun 3\nexpect out=14\ninput 0011\nrun 3\nexpect out=8",
         7, 6, "expected out=8, found out=14"},
        {count, slowCount, {}, "run until out=2 within 30\nexpect pc=2", 3, 7, "expected pc=2, found pc=3"},
        {count, slowCount, {}, "run until out=1 within 2", 2, 2, "expected out=1 within 2 steps, found out=0"},
        // A condition that must hold, at either side of the step where it stops holding; the case goes on.
        {slowCount, count, {}, "expect out=0 for 2 steps\nexpect pc=2", 2, 2, "expected out=0 for 2 steps, found out=1"},
        {count, countByTwo, {}, "run 2\nexpect out=1 for 0 steps", 3, 2, "expected out=1 for 0 steps, found out=2"},
        {clampedAdd, addFive, {{0, 12}}, "input 1100\nrun 1\nexpect carry=1\nrun until out=15 within 20", 5, 21,
         "expected out=15 within 20 steps, found out=1"},
        {count, countByTwo, {}, "expect out sequence 1 2 3 within 10\nexpect pc=2 b=3", 2, 10,
         "expected out 1 2 3 within 10 steps: 1 never came; found out 0 2 4 6"},
        {oneTwoThree, oneFiveTwoThree, {}, "expect out sequence 1 2 3 within 10\nexpect out=3", 2, 10,
         "expected out 1 2 3 within 10 steps: after 1 came 5 at step 2, not 2; found out 0 1 5 2 3"},
        // The start that got furthest is told: here the second 1.
        {oneTwoThree, oneFiveOneTwoFive, {}, "expect out sequence 1 2 3 within 9", 2, 9,
         "expected out 1 2 3 within 9 steps: after 1 2 came 5 at step 5, not 3; found out 0 1 5 1 2 5"},
        // Sequences that never complete, in either program; of starts that got as far, the first is told.
        {count, count, {}, "run 2\nexpect out sequence 1 2 3 within 4", 3, 6,
         "expected out 1 2 3 within 4 steps: after 1 2 the steps ran out; found out 1 2"},
        {count, count, {}, "expect out sequence 0 5 3 within 90", 2, 90,
         "expected out 0 5 3 within 90 steps: after 0 came 1 at step 2, not 5; "
         "found out 0 1 2 3 4 5 ... 9 10 11 12 13 14"},
        // Like a model, which may stand anywhere: the first input that fails is told.
        {clampedAdd, addFive, {{0, 11}}, "model\n.word 0x65\n.word 0xE3\n.word 0x7F\n.word 0x80\n.word 0xF0\nend\n"
         "expect out like model for 20 within 60", 9, 60, "with input 1011: expected out 0 15 within 60 steps, "
         "as the model shows in 20 steps: after 0 the steps ran out; found out 0"},
        {slowCount, countByTwo, {}, "expect out like model for 10 within 30\nMODEL ; count\n"
         "B = B + 1\nOUT = B\nJMP 0\n  End  ; of the model", 2, 2, "with input 0000: expected out 0 1 2 3 within 30 steps, "
         "as the model shows in 10 steps: after 0 came 2 at step 2, not 1; found out 0 2"}};
    // clang-format on
    for (const Row& row : rows) {
        CAPTURE(row.tests);
        const qzb::Exercise file = qzb::parseExercise("case \"c\"\n"s + row.tests);
        REQUIRE(file.errors.empty());
        CHECK(qzb::gradeCases(file, panel(row.good)).front().passed == (row.good != row.bad));
        const qzb::CaseResult result = qzb::gradeCases(file, panel(row.bad)).front();
        CHECK_FALSE(result.passed);
        CHECK(result.step == row.step);
        CHECK(result.line == row.line);
        CHECK(result.message == row.message);
        REQUIRE(!result.lastSteps.empty());
        CHECK(result.lastSteps.size() == std::min<std::size_t>(row.step + 1, qzb::lastStepsShown));
        CHECK(result.lastSteps.back().step == row.step);
        CHECK(result.lastSteps.back().state == referenceTrace(row.bad, row.inputs).at(row.step));
    }
}

// Random models against random programs and against mutants of themselves with one bit flipped (which may
// change nothing): the verdict and the first input named are what the reference table makes of the rule.
TEST_CASE("like model agrees with the reference table on random programs and their mutants") {
    std::mt19937 random(20270314);
    int passed = 0;
    int failed = 0;
    for (int trial = 0; trial < 300; ++trial) {
        Words model(16);
        for (int& word : model) word = int(random() % 256);
        const int modelSteps = int(random() % 40);
        const int within = int(random() % 50);
        std::string tests = "model\n";
        for (const int word : model) tests += ".word " + std::to_string(word) + '\n';
        tests += "end\ncase \"c\"\nexpect out like model for " + std::to_string(modelSteps) + " within " +
                 std::to_string(within);
        const qzb::Exercise file = qzb::parseExercise(tests);
        REQUIRE(file.errors.empty());
        Words candidates[3] = {model, model, Words(16)};
        candidates[0][random() % 16] ^= 1 << (random() % 8);
        for (int& word : candidates[2]) word = int(random() % 256);
        for (const Words& program : candidates) {
            int firstFailing = -1;
            for (int input = 0; input < 16 && firstFailing < 0; ++input) {
                const std::vector<int> wanted = referenceValues(model, input, modelSteps);
                const std::vector<int> shown = referenceValues(program, input, within);
                if (shown.size() < wanted.size() || !std::equal(wanted.begin(), wanted.end(), shown.begin()))
                    firstFailing = input;
            }
            const qzb::CaseResult result = qzb::gradeCases(file, panel(program)).front();
            CAPTURE(tests);
            REQUIRE(result.passed == (firstFailing < 0));
            (result.passed ? passed : failed) += 1;
            if (result.passed) continue;
            CHECK(result.message.starts_with("with input " +
                                             std::bitset<4>(std::size_t(firstFailing)).to_string()));
            CHECK(result.lastSteps.back().state ==
                  referenceTrace(program, {{0, firstFailing}}).at(result.step));
        }
    }
    CHECK((passed > 200 && failed > 200));
}

// Cases start afresh: registers reset, input off, whatever the case before or the caller left.
TEST_CASE("every case starts from the reset state with the input off") {
    const qzb::Exercise file = qzb::parseExercise(
        "case \"first\"\ninput 0010\nrun 7\nexpect b=0b0111\n"
        "case \"second\"\nexpect pc=0 a=0 b=0 out=0 carry=0\nrun 1\nexpect b=5");
    REQUIRE(file.errors.empty());
    qzb::PanelSwitches switches = panel(addFive);
    switches.input.fill(qzb::SwitchState::On);  // as a caller might hand them over
    for (const qzb::CaseResult& result : qzb::gradeCases(file, switches)) {
        CAPTURE(result.name);
        CHECK(result.passed);
    }
}

TEST_CASE("test-file errors name their line and column") {
    std::string millions;  // 100000000 steps in all, which a file may take
    for (int i = 0; i < 100; ++i)
        millions += i == 60 ? "expect a=1\ncase \"d\"\nrun 1000000\n" : "run 1000000\n";
    std::string likeCases;  // a comparison with the model counts its steps for every input
    for (int i = 0; i < 4; ++i)
        likeCases += "case \"" + std::to_string(i) + "\"\nexpect out like model for 1000000 within 1000000\n";
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"run 3\ncase \"c\"\nexpect a=1", "1:1: 'run' comes before the first case"},
        {"case \"c\"\nexpect a=1\ncase \"c\"\nexpect a=1", "3:6: case \"c\" is already defined on line 1"},
        {"case \"c", "1:6: the case name is not closed with \""},
        {"case c\nexpect a=1", "1:6: expected a name in double quotes after case"},
        {"case \"\"\nexpect a=1", "1:6: the case name is empty"},
        {"case \"tab\there\"\nexpect a=1", "1:6: a case name must be UTF-8 text without control characters"},
        {"case \"\u202Es.exe\"\nexpect a=1", "1:6: a case name must be UTF-8 text without control characters"},
        {"case \"c\"\n  jump 3", "2:3: unknown statement 'jump'; the statements are case, input, run, expect and model"},
        {"case \"c\"\ninput 12\nexpect a=1", "2:7: expected four binary digits after input, bit 3 first, such as 1001"},
        {"case \"c\"\nrun -1\nexpect a=1", "2:5: expected a number of steps, 0 to 1000000"},
        {"case \"c\"\nrun 1000001\nexpect a=1", "2:5: 1000001 is more than 1000000 steps"},
        {"case \"c\"\nrun until pc=3", "2:15: expected 'within N' at the end of the line"},
        {"case \"c\"\nrun until within 3", "2:11: expected a condition such as out=5"},
        {"case \"c\"\nexpect a=1 for 3", "2:17: expected 'steps' after the number at the end of the line"},
        {"case \"c\"\nrun until a=1 for 3", "2:15: expected 'within N'"},
        {"case \"c\"\nexpect a=1\nmodel\nA = 1", "3:1: the model is not closed with a line end"},
        {"case \"c\"\nexpect out like model for 1 within 1\nmodel\nOUT = A\nend",
         "4:7: OUT can add only B to its number, not A"},
        {"model\nend\nmodel\nend\ncase \"c\"\nexpect a=1", "3:1: a test file holds one model; the first starts on line 1"},
        {"case \"c\"\nexpect out like model for 5 within 5",
         "2:1: expect out like model needs a model: its program between a line model and a line end"},
        {"model\nend\ncase \"c\"\ninput 0001\nexpect out like model for 5 within 5",
         "3:1: case \"c\" holds more than expect out like model, which runs alone"},
        {"case \"c\"\nexpect out like model within 5", "2:23: expected 'for M within N'"},
        {"model\nend\n" + likeCases,
         "10:42: the cases add up to 128000000 steps here, more than the 100000000 a test file may take"},
        {"case \"c\"\nexpect x=1", "2:8: unknown register 'x'; the names are pc, a, b, out and carry"},
        {"case \"c\"\nexpect a 1", "2:10: expected '=' after a"},
        {"case \"c\"\nexpect a=", "2:10: expected a value after a= at the end of the line"},
        {"case \"c\"\nexpect a=0b101", "2:10: '0b101' is not a value (decimal, 0x hex, or 0b and four of 0, 1, x)"},
        {"case \"c\"\nexpect a=16", "2:10: 16 is outside 0-15"},
        {"case \"c\"\nexpect carry=2", "2:14: carry takes 0 or 1"},
        {"case \"c\"\nexpect a=1 A=2", "2:12: a is named twice"},
        {"case \"c\"\nexpect out sequence within 5", "2:21: expected the values OUT must show"},
        {"case \"c\"\nexpect out sequence 1 1 within 5",
         "2:23: the value repeats the one before it; a value that lasts is written once"},
        {"case \"c\"\nexpect out sequence 0b1x00 within 5", "2:21: a sequence takes whole values, without x"},
        {"case \"c\"\nrun 5 6", "2:7: unexpected '6'"},
        {"case \"c\"\ninput 1001\nrun 5", "1:1: case \"c\" checks nothing; give it an expect or a run until"},
        {"case \"c\" points 1001\nexpect a=1", "1:17: expected a whole number of points from 0 to 1000"},
        {"case \"c\" hidden points\nexpect a=1", "1:23: expected a whole number of points from 0 to 1000 at the end of the line"},
        {"case \"c\" hidden points 2 HIDDEN\nexpect a=1", "1:26: hidden is given twice"},
        {"case \"c\" secret\nexpect a=1", "1:10: unexpected 'secret'; after the name come points N and hidden"},
        {"; only a comment", "1:1: no case in the file; a case starts with case \"NAME\""},
        {"case \"c\"\n" + millions + "run until a=1 within 1\nrun 5\nexpect a=1",
         "104:22: the cases add up to 100000001 steps here, more than the 100000000 a test file may take"},
        {"\xFE\xFF\0c\0a\0s\0e\0 \0\"\0c\0\""s, "1:1: the test file is UTF-16; save it as UTF-8"},
        {"c\0a\0s\0e\0 \0\"\0c\0\"\0\n\0e\0x\0p\0e\0c\0t\0 \0a\0=\0\x31\0"s, "1:1: the test file is UTF-16; save it as UTF-8"},
    };
    // clang-format on
    CHECK(qzb::parseExercise("case \"c\"\n" + millions + "run 0\nexpect a=1").errors.empty());
    for (const auto& [text, expected] : rows) {
        CAPTURE(text);
        const qzb::Exercise file = qzb::parseExercise(text);
        REQUIRE(file.errors.size() == 1);
        const qzb::Diagnostic& error = file.errors.front();
        CHECK(std::to_string(error.line) + ':' + std::to_string(error.column) + ": " + error.message ==
              expected);
    }
}

TEST_CASE("keywords in any case, values in every form, comments, CR LF, a byte order mark, the task") {
    const qzb::Exercise file = qzb::parseExercise(
        "\xEF\xBB\xBF; The task:\r\n  ;  indented\r\n;\r\nCASE \"c\" ; note\r\nInput 1001\r\n"
        "RUN UNTIL Out = 0XE Within 9\r\nEXPECT a=0b1X0x B=07 carry=1\r\nexpect OUT SEQUENCE 14 0x2 0b0011 "
        "WITHIN 3\n; not the task");
    REQUIRE(file.errors.empty());
    CHECK(file.task == "The task:\n indented\n");
    REQUIRE(file.cases.size() == 1);
    const std::vector<qzb::Statement>& statements = file.cases.front().statements;
    REQUIRE(statements.size() == 4);
    CHECK(statements[0].input == 9);
    CHECK(statements[1].conditions.front().pattern.value == 14);
    CHECK(statements[1].steps == 9);
    const qzb::Condition& a = statements[2].conditions.front();
    CHECK((a.pattern.value == 8 && a.pattern.care == 10));
    CHECK(qzb::conditionText(a) == "a=0b1x0x");
    CHECK(statements[2].conditions[1].pattern.value == 7);
    CHECK(statements[3].sequence == std::vector<std::uint8_t>{14, 2, 3});
    CHECK(statements[3].line == 8);
}

// Names come from students' file names and teachers' test files, and messages quote them. Every format
// shows a byte that is not printable text as \xNN and a backslash as \\, so that it keeps distinct names
// apart and every name inside its field (the test-file fuzzer holds each line of every report to printable
// UTF-8); the JUnit report stays well-formed XML, as xmllint reads it, and counts what it holds.
TEST_CASE("reports show what they quote visibly, each inside its field") {
    std::vector<qzb::ProgramResult> programs;
    for (const std::string name :
         {"=sum(\"a,b\")\xFF\x01<&>.s", "a\xFE.s", "a\\xfe.s", "\x1B[2J\x7F\xC2\x9B\u2066.s"}) {
        qzb::ProgramResult& unreadable = programs.emplace_back();
        unreadable.path = name;
        unreadable.problem = "cannot read it";
        unreadable.messages = {"\xEF\xBF\xBF"};
        unreadable.cases.emplace_back().name = "c";
    }
    qzb::ProgramResult& graded = programs.emplace_back();
    graded.path = "g.s";
    graded.switches.emplace();
    graded.cases.push_back(
        {.name = "c\x9B", .passed = false, .line = 2, .message = "m\x9B", .lastSteps = {}});
    const std::pair<qzb::ReportFormat, std::string> formats[] = {
        {qzb::ReportFormat::Text,
         "=sum(\"a,b\")\\xff\\x01<&>.s: not graded: cannot read it\n  \\xef\\xbf\\xbf\n"},
        {qzb::ReportFormat::Csv,
         "\n\"'=sum(\"\"a,b\"\")\\xff\\x01<&>.s\",c,error,,cannot read it: \\xef\\xbf\\xbf,0\n"},
        {qzb::ReportFormat::Jsonl,
         "{\"program\":\"=sum(\\\"a,b\\\")\\\\xff\\\\x01<&>.s\",\"case\":\"c\",\"result\":\"error\","
         "\"step\":null,\"message\":\"cannot read it: \\\\xef\\\\xbf\\\\xbf\",\"points\":0}\n"},
        {qzb::ReportFormat::Junit,
         "<testsuite name=\"=sum(&quot;a,b&quot;)\\xff\\x01&lt;&amp;&gt;.s\" tests=\"1\" failures=\"0\" "
         "errors=\"1\">"},
    };
    for (const auto& [format, quoting] : formats) {
        const std::string report = qzb::gradeReport("t\x85.qzt", programs, format);
        CAPTURE(report);
        CHECK(report.find(quoting) != std::string::npos);
        if (format == qzb::ReportFormat::Junit) {
            CHECK(report.find("<testsuites name=\"t\\x85.qzt\" tests=\"5\" failures=\"1\" errors=\"4\">") !=
                  std::string::npos);
            FILE* lint = ::popen("xmllint --noout -", "w");
            REQUIRE(lint != nullptr);
            std::fputs(report.c_str(), lint);
            CHECK(::pclose(lint) == 0);
        }
        for (std::string name : {"a\\xfe.s", "a\\\\xfe.s", "\\x1b[2J\\x7f\\xc2\\x9b\\xe2\\x81\\xa6.s",
                                 "c\\x9b", "t\\x85.qzt:2: m\\x9b"}) {
            if (format == qzb::ReportFormat::Jsonl) {
                for (std::size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 2))
                    name.insert(at, 1, '\\');
            }
            CHECK(report.find(name) != std::string::npos);
        }
    }
}

// What each case earns and whether it is hidden, in every report: the teacher's reports show every
// case, and a case worth other than 1 point or hidden says so where the report has room.
TEST_CASE("every report shows each case's points and whether it is hidden") {
    const qzb::TestFileReading reading =
        qzb::readTestFile("t.qzt",
                          "case \"one\"\nexpect pc=0\ncase \"three\" points 3 hidden\nrun 1\nexpect b=2\n"
                          "case \"free\" HIDDEN Points 0\nexpect a=0\n");
    REQUIRE(reading.usable());
    const std::vector<qzb::ProgramResult> programs = {
        qzb::gradeProgram(reading.exercise, "c.s", qzb::programFromBytes("c.s", "B = B + 1\n")),
        qzb::gradeProgram(reading.exercise, "x.s", qzb::unreadableProgram("x.s", "gone"))};
    const std::string failure = "t.qzt:5: expected b=2, found b=1";
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Text),
         {"c.s: 2 of 3 cases passed, 1 of 4 points\n  pass  one\n  FAIL  three (3 points, hidden)\n",
          "  pass  free (0 points, hidden)\n"}},
        {qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Csv),
         {"c.s,one,pass,,,1\nc.s,three,fail,1,\"" + failure + "\",0\nc.s,free,pass,,,0\n",
          "x.s,one,error,,cannot read x.s: gone,0\n"}},
        {qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Jsonl),
         {R"("case":"one","result":"pass","step":null,"message":"","points":1})",
          R"("case":"three","result":"fail","step":1,"message":")" + failure + R"(","points":0})"}},
        {qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Junit),
         {"<testcase name=\"one\" classname=\"c.s\"/>\n    <testcase name=\"three\" classname=\"c.s\">\n"
          "      <properties>\n        <property name=\"points\" value=\"3\"/>\n"
          "        <property name=\"hidden\" value=\"true\"/>\n      </properties>\n      <failure ",
          "<testcase name=\"one\" classname=\"x.s\">\n      <error "}},
        {qzb::gradeReport("t.qzt", programs, qzb::ReportFormat::Grades),
         {"program,points,max_points,passed,failed,errors\nc.s,1,4,2,1,0\nx.s,0,4,0,0,3\n"}},
        {qzb::resultsJson("t.qzt", programs[0]),
         {R"("failure":")" + failure + R"( at step 1",)",
          R"("points":0,"maxPoints":3,"hidden":true,"label":"hidden case 1"})",
          R"("points":0,"maxPoints":0,"hidden":true,"label":"hidden case 2"}],"points":1,"maxPoints":4})"}},
        {qzb::testFileJson(reading),
         {R"("cases":["one","three","free"],"points":[1,3,0],"hidden":[false,true,true]})"}},
        // The student's view of the test file leaves out a hidden case's lines.
        {qzb::testFileJson(reading,
                           "case \"one\"\nexpect pc=0\ncase \"three\" points 3 hidden\nrun 1\nexpect b=2\n"
                           "case \"free\" HIDDEN Points 0\nexpect a=0\n"),
         {R"("lines":["case \"one\"","expect pc=0","","","","",""]})"}},
    };
    for (const auto& [report, parts] : rows) {
        for (const std::string& part : parts) CHECK_MESSAGE(report.find(part) != std::string::npos, report);
    }
}

// Bidirectional formatting characters could make a name or a task read as something else, so they
// show as bytes; their neighbours, the joiner that emoji need among them, stay printable.
TEST_CASE("bidirectional formatting characters are not printable") {
    for (const char* hidden : {"\u061C", "\u200E", "\u200F", "\u202A", "\u202E", "\u2066", "\u2069"})
        CHECK_FALSE(qzb::isPrintableText(hidden));
    for (const char* shown : {"\u061B", "\u200D", "\u2029", "\u202F", "\u2065", "\u206A"})
        CHECK(qzb::isPrintableText(shown));
    // The page shows the task and the problems of a test file as visibly as a report, line ends and tabs
    // kept.
    CHECK(
        qzb::testFileJson(qzb::readTestFile("\u202E.qzt", "; \x1B[31m\a\0\u202E\tok\r\n; a\\b\nsay"s)) ==
        R"({"task":"\\x1b[31m\\x07\\x00\\xe2\\x80\\xae\u0009ok\u000aa\\\\b","problems":["\\xe2\\x80\\xae.qzt:3:1: )"
        R"(unknown statement 'say'; the statements are case, input, run, expect and model"],"cases":[],"points":[],"hidden":[]})");
}

// Each column of a row starts where its header does, after at least two blanks, whatever the word ran.
TEST_CASE("the text table keeps its columns apart for every word") {
    const std::string header = qzb::textTraceHeader(1);
    for (int word = 0; word < 256; ++word) {
        const qzb::TraceRow row{
            1, 3, std::uint8_t(word), {.pc = 15, .a = 15, .b = 15, .out = 15, .carry = true}};
        const std::string line = qzb::textTraceRowsOnly({&row, 1}, 1);
        for (const char* column : {"addr", "word", "instruction", "PC", "A ", "B ", "carry", "OUT"})
            CHECK_MESSAGE(line.substr(header.find(column) - 2, 3).find_first_not_of(' ') == 2, word);
    }
}

// A file the browser could not read is listed in the system's words, as the command line gives them.
TEST_CASE("a file the browser cannot read is listed with the command line's reason") {
    const auto system = [](int code) { return std::make_error_code(std::errc(code)).message(); };
    CHECK(qzb::readFailureReason("NotFoundError") == system(ENOENT));
    CHECK(qzb::readFailureReason("NotReadableError") == system(EACCES));
    CHECK(qzb::readFailureReason("AbortError") == system(EIO));
}
