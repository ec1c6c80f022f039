// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "settings/setting_file.h"
#include "settings/setting_link.h"

using namespace qzb;

namespace {

// The sample file: line n of 1-128 holds n % 2, except line 40, which holds 0; then
// the options false, true, false and Beep 1.
int sampleBit(int line) {
    return line == 40 ? 0 : line % 2;
}

std::string sample(int lineCount, const char* lineEnd = "\r\n", bool lastLineEnded = true) {
    const char* tail[] = {"#FALSE#", "#TRUE#", "#FALSE#", "1"};
    std::string text;
    for (int line = 1; line <= lineCount; ++line) {
        text += line <= 128 ? std::to_string(sampleBit(line)) : tail[line - 129];
        if (line < lineCount || lastLineEnded) text += lineEnd;
    }
    return text;
}

// The sample with line `number` reading `field`.
std::string withLine(int number, const std::string& field) {
    std::string text = sample(132);
    std::size_t start = 0;
    for (int line = 1; line < number; ++line) start = text.find('\n', start) + 1;
    return text.replace(start, text.find('\r', start) - start, field);
}

// What the sample leaves: its first `lines` bits, with the other bits and Beep
// holding `last`. The input port is on; no file may change it.
PanelSwitches sampleAfter(int lines, int last, ClockMode clock = {false, true, false}) {
    PanelSwitches panel;
    for (int n = 0; n < 128; ++n) panel.program[n] = SwitchState(n < lines ? sampleBit(n + 1) : last);
    panel.input.fill(SwitchState::On);
    panel.clock = clock;
    panel.beep = SwitchState(last);
    return panel;
}

// What a pair of reads means, or the reads themselves when they mean nothing listed.
std::string lookup(const std::map<std::string, std::string>& reads, const std::string& key) {
    const auto found = reads.find(key);
    return found == reads.end() ? key : found->second;
}

}  // namespace

TEST_CASE("a saved file loads and saves back, a greyed bit too") {
    PanelSwitches word;  // 0xB3 at word 0, least significant bit first
    for (int bit = 0; bit < 8; ++bit) word.program[bit] = SwitchState((0xB3 >> bit) & 1);
    CHECK(writeSettingFile(word).substr(0, 24) == "1\r\n1\r\n0\r\n0\r\n1\r\n1\r\n0\r\n1\r\n");
    const std::string greyed = "2" + sample(132).substr(1);
    PanelSwitches panel;
    readSettingFile(greyed, panel);
    CHECK(writeSettingFile(panel) == greyed);
}

// Each file is loaded over a panel all greyed with 1 Hz selected, so every switch
// shows whether the file decided it.
TEST_CASE("loads") {
    struct Row {
        std::string name, text;
        PanelSwitches expected;
    };
    const PanelSwitches saved = sampleAfter(132, 1);
    PanelSwitches line40Kept = saved;
    line40Kept.program[39] = SwitchState::Greyed;
    std::vector<Row> rows = {
        {"saved", sample(132), saved},
        {"line 40 reads 5", sample(132).replace(39 * 3, 1, "5"), line40Kept},
        {"129-131 all true", sample(128) + "#TRUE#\r\n#TRUE#\r\n#TRUE#\r\n1", sampleAfter(132, 1, {0, 0, 1})},
        {"129-131 all false", sample(128) + "#FALSE#,#FALSE#,#FALSE#,1", sampleAfter(132, 1, {0, 0, 0})},
        {"140 lines", sample(132) + "0\r\n#TRUE#\r\n2\r\n,,,\r\n5\r\n1,1\r\n0\r\n0\r\n", saved},
        {"commas", sample(132, ","), saved},
        {"lone LF", sample(132, "\n"), saved},
        {"lone CR", sample(132, "\r"), saved},
        {"byte order mark", "\xEF\xBB\xBF" + sample(132), saved},
        // A short file: the fields past its end take the value read last (0 and false before any).
        {"empty", "", sampleAfter(0, 0, {0, 0, 0})},
    };
    for (const int k : {1, 2, 39, 127, 128}) {
        for (const bool ended : {true, false}) {
            rows.push_back({"ends after " + std::to_string(k) + (ended ? "" : " unended"),
                            sample(k, "\r\n", ended), sampleAfter(k, sampleBit(k), {0, 0, 0})});
        }
    }
    rows.push_back({"ends after 129", sample(129), sampleAfter(128, 0, {0, 0, 0})});
    rows.push_back({"ends after 130", sample(130), sampleAfter(128, 0, {0, 0, 1})});
    rows.push_back({"ends after 131", sample(131, "\r\n", false), sampleAfter(128, 0)});
    rows.push_back({"ends after a refused 7", "1\r\n7\r\n", sampleAfter(1, 2, {0, 0, 0})});

    for (const Row& row : rows) {
        INFO(row.name);
        PanelSwitches panel = sampleAfter(0, 2, {1, 0, 0});
        readSettingFile(row.text, panel);
        CHECK(panel == row.expected);
    }
}

// How a field reads as an integer at line 2 after a line 1 reading 2 ("-" when
// unreadable: it takes the held 2), and as a truth at line 130. The integer is
// read over a panel all off and one all on (a refused value keeps each); the
// truth after a false and after a true line 129.
TEST_CASE("odd fields") {
    struct Row {
        const char* name;
        std::string field;
        const char* integer;
        const char* truth;
    };
    const Row rows[] = {
        {"blanks, tabs, quotes", " \t\"1\" ", "1", "true"},
        {"blank inside quotes", "\" 1\"", "-", "-"},
        {"one quote", "\"1", "-", "-"},
        {"sign and zeros", "+0001", "1", "true"},
        {"0 and tab", "0\t", "0", "false"},
        {"5", "5", "refused", "true"},
        {"-1", "-1", "refused", "true"},
        {"largest", "32767", "refused", "true"},
        {"smallest", "-32768", "refused", "true"},
        {"one past 16 bits", "32768", "-", "-"},
        {"one below 16 bits", "-32769", "-", "-"},
        {"past 64 bits", "99999999999999999999999", "-", "-"},
        {"empty", "", "-", "-"},
        {"fraction", "1.0", "-", "-"},
        {"sign alone", "-", "-", "-"},
        {"#TRUE#", "#TRUE#", "-", "true"},
        {"quoted #FALSE#", "\"#FALSE#\"", "-", "false"},
        {"lower case", "#true#", "-", "-"},
        {"NUL", std::string("1\0", 2), "-", "-"},
        {"byte order mark", "\xEF\xBB\xBF\x31", "-", "-"},
    };
    const std::map<std::string, std::string> integerReads{
        {"00", "0"}, {"11", "1"}, {"01", "refused"}, {"22", "-"}};
    const std::map<std::string, std::string> truthReads{{"00", "false"}, {"11", "true"}, {"01", "-"}};
    for (const Row& row : rows) {
        INFO(row.name);
        std::string integers, truths;
        for (const bool on : {false, true}) {
            PanelSwitches panel;
            panel.program.fill(SwitchState(on));
            readSettingFile("2\r\n" + row.field + "\r\n", panel);
            CHECK(panel.program[2] == panel.program[1]);  // the held value follows the field
            integers += std::to_string(int(panel.program[1]));
            readSettingFile(sample(128) + (on ? "#TRUE#," : "#FALSE#,") + row.field + ",#FALSE#", panel);
            truths += panel.clock.hz10 ? "1" : "0";
        }
        CHECK(lookup(integerReads, integers) == row.integer);
        CHECK(lookup(truthReads, truths) == row.truth);
    }
}

TEST_CASE("links") {
    const std::string zeros(26, '0');
    SUBCASE("the counting program at 10 Hz") {
        const LinkReading read = readSettingLink("#qzb1.5180f0" + zeros + "..10HZ.0");
        REQUIRE(read.switches);
        CHECK(readProgramWord(*read.switches, 1) == 0x80);
        CHECK(read.switches->clock == ClockMode{false, true, false});
        CHECK(settingLink(*read.switches) == "#qzb1.5180F0" + zeros + "..10hz.0");
    }
    SUBCASE("greyed switches, no clock option and a greyed Beep survive the round trip") {
        PanelSwitches panel;
        panel.program[0] = panel.program[127] = SwitchState::Greyed;
        panel.program[9] = SwitchState::On;
        panel.clock = {false, false, false};
        panel.beep = SwitchState::Greyed;
        const std::string link = settingLink(panel);
        CHECK(link == "#qzb1.0002" + std::string(28, '0') + ".01" + std::string(28, '0') + "80.none.2");
        CHECK(readSettingLink(link).switches == panel);
    }
    SUBCASE("no fragment is no setting") {
        CHECK(readSettingLink("") == LinkReading{});
        CHECK(readSettingLink("#") == LinkReading{});
    }
    const std::string on(32, '0');
    const std::map<std::string, std::string> faults = {
        {"#qzb2." + on + "..manual.0", "it does not start with \"qzb1.\""},
        {"qzb1." + on + ".manual.0", "it does not have the four parts on, greyed, clock and beep"},
        {"qzb1." + on + "...manual.0", "it does not have the four parts on, greyed, clock and beep"},
        {"qzb1.015180F0" + on + "..10hz.0", "the program part is not 32 hexadecimal digits"},
        {"qzb1." + on.substr(1) + "g..manual.0", "the program part is not 32 hexadecimal digits"},
        {"qzb1." + on + ".0.manual.0", "the greyed part is neither empty nor 32 hexadecimal digits"},
        {"qzb1.8" + on.substr(1) + ".8" + on.substr(1) + ".manual.0", "switch 7 is both on and greyed"},
        {"qzb1." + on + "..2hz.0", "the clock is not 1hz, 10hz, manual or none"},
        {"qzb1." + on + "..manual.3", "the beep is not 0, 1 or 2"},
        {"qzb1." + on + "..manual.", "the beep is not 0, 1 or 2"},
    };
    for (const auto& [fragment, reason] : faults) {
        CAPTURE(fragment);
        const LinkReading read = readSettingLink(fragment);
        CHECK(!read.switches);
        CHECK(read.fault == reason);
    }
}

TEST_CASE("exercise links") {
    PanelSwitches start;
    start.program[0] = SwitchState::On;
    start.clock = {false, false, false};
    const std::string panel = "qzb1.01" + std::string(30, '0') + "..none.0";
    // "M" is TQ, "\xFB\xFF" is -_8: base64url's own digits, no padding.
    for (const auto& [bytes, withStart, link] :
         {std::tuple{std::string(), false, std::string("#qzt1.")},
          {"Man", false, "#qzt1.TWFu"},
          {"M", true, "#qzt1.TQ&" + panel},
          {"case\n\xFB\xFF", false, "#qzt1.Y2FzZQr7_w"},
          {std::string(65535, '\0'), false, "#qzt1." + std::string(87380, 'A')}}) {
        const std::optional<PanelSwitches> given = withStart ? std::optional(start) : std::nullopt;
        CHECK(exerciseLink(bytes, given) == link);
        CHECK(readExerciseLink(link) == ExerciseLinkReading{bytes, given, {}});
        CHECK(isExerciseLink(link));
    }
    CHECK(readExerciseLink("#") == ExerciseLinkReading{});
    CHECK(!isExerciseLink("#" + panel));
    const std::string notPanel = "the part after \"&\" is not a panel setting: ";
    for (const auto& [fragment, reason] : std::initializer_list<std::pair<std::string, std::string>>{
             {"#" + panel, "it does not start with \"qzt1.\""},
             {"qzt1.TWFuA", "the test file is not base64url"},  // a digit short of a byte
             {"qzt1.TR", "the test file is not base64url"},     // bits after the last byte
             {"qzt1.TQ==", "the test file is not base64url"},
             {"qzt1.T+8", "the test file is not base64url"},
             {"qzt1." + std::string(87382, 'A'), "the test file is 64 KiB or more"},
             {"qzt1.TQ&", notPanel + "it does not start with \"qzb1.\""},
             {"qzt1.TQ&#" + panel, notPanel + "it does not start with \"qzb1.\""},
             {"qzt1.TQ&" + panel + "&", notPanel + "the beep is not 0, 1 or 2"},
             {"qzt1.TQ&qzb1.00", notPanel + "it does not have the four parts on, greyed, clock and beep"}}) {
        CAPTURE(fragment.substr(0, 40));
        CHECK(readExerciseLink(fragment) == ExerciseLinkReading{.fault = reason});
    }
}

// The strict check passes what the panel writes, with either line end, and
// names the first field of anything else, its text escaped and cut short.
TEST_CASE("a file as the panel writes it") {
    struct Row {
        const char* name;
        std::string text;
        const char* fault;  // "-" for none
    };
    const Row rows[] = {
        {"saved", sample(132), "-"},
        {"line feeds", sample(132, "\n"), "-"},
        {"last line unended", sample(132, "\r\n", false), "-"},
        {"greyed bit and Beep, no option",
         "2" + sample(128).substr(1) + "#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n2\r\n", "-"},
        {"140 lines", sample(132) + "junk\r\n\r\n,,,\r\n", "-"},
        {"empty", "", "the file is empty"},
        {"line 2 empty", withLine(2, ""), "line 2 is empty"},
        {"ends after 131", sample(131), "the file ends after line 131"},
        {"ends after 40 unended", sample(40, "\r\n", false), "the file ends after line 40"},
        {"doubled line ends", sample(132, "\r\r\n"), "line 1 is '1\\x0d'"},
        {"lone CR", sample(132, "\r"), "line 1 is '1\\x0d0\\x0d1\\x0d0\\x0d...'"},
        {"commas", sample(132, ","), "line 1 is '1,0,1,0,1,0,1,0,1,0,...'"},
        {"zip", std::string("PK\x03\x04\x14\x00\x08\x00\x08\x00\n", 11),
         "line 1 is 'PK\\x03\\x04\\x14\\x00...'"},
        {"long UTF-8 kept whole",
         withLine(7, "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
         "line 7 is '\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9...'"},
        {"byte order mark", "\xEF\xBB\xBF" + sample(132), "the file starts with a byte order mark"},
        {"line 40 reads 5", withLine(40, "5"), "line 40 is '5'"},
        {"blank and quotes", withLine(3, " \"1\""), "line 3 is ' \"1\"'"},
        {"number for a truth", withLine(129, "-1"), "line 129 is '-1'"},
        {"truth for Beep", withLine(132, "#TRUE#"), "line 132 is '#TRUE#'"},
        {"NUL", withLine(128, std::string("1\0", 2)), "line 128 is '1\\x00'"},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.name));
        CHECK(settingFileFault(row.text).value_or("-") == row.fault);
    }
}
