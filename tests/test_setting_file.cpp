// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "common/utf8.h"
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

// What the sample leaves: its first `lines` bits, the other bits and Beep holding `last`. The
// input port is on; no file may change it.
PanelSwitches sampleAfter(int lines, int last, ClockMode clock = {false, true, false}) {
    PanelSwitches panel;
    for (int n = 0; n < 128; ++n) panel.program[n] = SwitchState(n < lines ? sampleBit(n + 1) : last);
    panel.input.fill(SwitchState::On);
    panel.clock = clock;
    panel.beep = SwitchState(last);
    return panel;
}

}  // namespace

TEST_CASE("a saved file loads and saves back, a greyed bit too") {
    const std::string greyed = "2" + sample(132).substr(1);
    PanelSwitches panel;
    readSettingFile(greyed, panel);
    CHECK(writeSettingFile(panel) == greyed);
}

// Each file is loaded over a panel all greyed with 1 Hz selected, so every switch shows whether the file
// decided it; past a short file's end the fields take the value read last (0 and false before any). The
// strict check passes what the panel writes, with either line end, and names the first field of anything
// else, its text escaped and cut short. A row without a panel is only checked strictly.
TEST_CASE("what Load makes of a file, and what the strict check says of it") {
    const PanelSwitches saved = sampleAfter(132, 1);
    PanelSwitches line40Kept = saved;
    line40Kept.program[39] = SwitchState::Greyed;
    const std::nullopt_t strictOnly = std::nullopt;
    // clang-format off
    std::vector<std::tuple<std::string, std::optional<PanelSwitches>, std::string>> rows = {
        {sample(132), saved, ""},
        {sample(132, "\n"), saved, ""},
        {sample(132, "\r\n", false), saved, ""},
        {sample(128) + "#TRUE#\r\n#TRUE#\r\n#TRUE#\r\n1", sampleAfter(132, 1, {0, 0, 1}), ""},
        {sample(132) + "0\r\n#TRUE#\r\n2\r\n,,,\r\n5\r\n1,1\r\n0\r\n0\r\n", saved, ""},  // 140 lines
        {"2" + sample(128).substr(1) + "#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n2\r\n", strictOnly, ""},
        {withLine(40, "5"), line40Kept, "line 40 is '5'"},
        {withLine(3, " \"1\""), saved, "line 3 is ' \"1\"'"},
        {sample(128) + "#FALSE#,#FALSE#,#FALSE#,1", sampleAfter(132, 1, {0, 0, 0}), "line 129 is '#FALSE#,#FALSE#,#FAL...'"},
        {sample(132, ","), saved, "line 1 is '1,0,1,0,1,0,1,0,1,0,...'"},
        {sample(132, "\r"), saved, "line 1 is '1\\x0d0\\x0d1\\x0d0\\x0d...'"},
        {"\xEF\xBB\xBF" + sample(132), saved, "the file starts with a byte order mark"},
        {"", sampleAfter(0, 0, {0, 0, 0}), "the file is empty"},
        {sample(129), sampleAfter(128, 0, {0, 0, 0}), "the file ends after line 129"},
        {sample(130), sampleAfter(128, 0, {0, 0, 1}), "the file ends after line 130"},
        {sample(131, "\r\n", false), sampleAfter(128, 0), "the file ends after line 131"},
        {"1\r\n7\r\n", sampleAfter(1, 2, {0, 0, 0}), "line 2 is '7'"},  // the 7 is refused
        {withLine(2, ""), strictOnly, "line 2 is empty"},
        {sample(132, "\r\r\n"), strictOnly, "line 1 is '1\\x0d'"},
        {std::string("PK\x03\x04\x14\x00\x08\x00\x08\x00\n", 11), strictOnly, "line 1 is 'PK\\x03\\x04\\x14\\x00...'"},
        {withLine(7, "ééééééééééé"), strictOnly, "line 7 is 'éééééééééé...'"},
        {withLine(129, "-1"), strictOnly, "line 129 is '-1'"},
        {withLine(132, "#TRUE#"), strictOnly, "line 132 is '#TRUE#'"},
    };
    // clang-format on
    for (const int k : {1, 2, 39, 127, 128}) {
        for (const bool ended : {true, false})
            rows.emplace_back(sample(k, "\r\n", ended), sampleAfter(k, sampleBit(k), {0, 0, 0}),
                              "the file ends after line " + std::to_string(k));
    }
    for (const auto& [text, expected, fault] : rows) {
        INFO(text.size() << " bytes: " << text.substr(0, 12));
        CHECK(visibleText(settingFileFault(text).value_or("")) == fault);  // "": as the panel writes it
        if (!expected) continue;
        PanelSwitches panel = sampleAfter(0, 2, {1, 0, 0});
        readSettingFile(text, panel);
        CHECK(panel == *expected);
    }
}

// How a field reads as an integer at line 2 after a line 1 reading 2: the switch it sets after a load over a
// panel all off and one all on ("22": unreadable, it takes the held 2; "01": refused, each keeps its own);
// and as a truth at line 130: 10 Hz after a false and after a true line 129 ("01": unreadable, the held
// value).
TEST_CASE("odd fields") {
    // clang-format off
    const std::tuple<std::string, const char*, const char*> rows[] = {
        {" \t\"1\" ", "11", "11"},  {"\" 1\"", "22", "01"},         {"\"1", "22", "01"},
        {"+0001", "11", "11"},      {"0\t", "00", "00"},            {"-1", "01", "11"},
        {"32767", "01", "11"},      {"-32768", "01", "11"},         {"32768", "22", "01"},
        {"-32769", "22", "01"},     {"99999999999999999999999", "22", "01"},
        {"", "22", "01"},           {"1.0", "22", "01"},            {"-", "22", "01"},
        {"#TRUE#", "22", "11"},     {"\"#FALSE#\"", "22", "00"},    {"#true#", "22", "01"},
        {std::string("1\0", 2), "22", "01"}, {"\xEF\xBB\xBF\x31", "22", "01"}};
    // clang-format on
    for (const auto& [field, integer, truth] : rows) {
        CAPTURE(field);
        std::string integers, truths;
        for (const bool on : {false, true}) {
            PanelSwitches panel;
            panel.program.fill(SwitchState(on));
            readSettingFile("2\r\n" + field + "\r\n", panel);
            CHECK(panel.program[2] == panel.program[1]);  // the held value follows the field
            integers += char('0' + int(panel.program[1]));
            readSettingFile(sample(128) + (on ? "#TRUE#," : "#FALSE#,") + field + ",#FALSE#", panel);
            truths += panel.clock.hz10 ? '1' : '0';
        }
        CHECK(integers == integer);
        CHECK(truths == truth);
    }
}

TEST_CASE("links") {
    const std::string zeros(26, '0');
    const LinkReading counting = readSettingLink("#qzb1.5180f0" + zeros + "..10HZ.0");
    REQUIRE(counting.switches);
    CHECK(readProgramWord(*counting.switches, 1) == 0x80);
    CHECK(counting.switches->clock == ClockMode{false, true, false});
    CHECK(settingLink(*counting.switches) == "#qzb1.5180F0" + zeros + "..10hz.0");

    PanelSwitches panel;  // greyed switches, no clock option and a greyed Beep survive the round trip
    panel.program[0] = panel.program[127] = SwitchState::Greyed;
    panel.program[9] = SwitchState::On;
    panel.clock = {false, false, false};
    panel.beep = SwitchState::Greyed;
    const std::string link = settingLink(panel);
    CHECK(link == "#qzb1.0002" + std::string(28, '0') + ".01" + std::string(28, '0') + "80.none.2");
    CHECK(readSettingLink(link).switches == panel);
    CHECK(readSettingLink("#") == LinkReading{});  // no fragment is no setting

    const std::string on(32, '0'), parts = "it does not have the four parts on, greyed, clock and beep",
                                   hex = "the program part is not 32 hexadecimal digits",
                                   beep = "the beep is not 0, 1 or 2";
    for (const auto& [fragment, reason] : std::initializer_list<std::pair<std::string, std::string>>{
             {"#qzb2." + on + "..manual.0", "it does not start with \"qzb1.\""},
             {"qzb1." + on + ".manual.0", parts},
             {"qzb1." + on + "...manual.0", parts},
             {"qzb1.015180F0" + on + "..10hz.0", hex},
             {"qzb1." + on.substr(1) + "g..manual.0", hex},
             {"qzb1." + on + ".0.manual.0", "the greyed part is neither empty nor 32 hexadecimal digits"},
             {"qzb1.8" + on.substr(1) + ".8" + on.substr(1) + ".manual.0", "switch 7 is both on and greyed"},
             {"qzb1." + on + "..2hz.0", "the clock is not 1hz, 10hz, manual or none"},
             {"qzb1." + on + "..manual.3", beep},
             {"qzb1." + on + "..manual.", beep}}) {
        CAPTURE(fragment);
        CHECK(readSettingLink(fragment) == LinkReading{{}, reason});
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
    const std::string notPanel = "the part after \"&\" is not a panel setting: ",
                      notBase64 = "the test file is not base64url";
    for (const auto& [fragment, reason] : std::initializer_list<std::pair<std::string, std::string>>{
             {"#" + panel, "it does not start with \"qzt1.\""},
             {"qzt1.TWFuA", notBase64},  // a digit short of a byte
             {"qzt1.TR", notBase64},     // bits after the last byte
             {"qzt1.TQ==", notBase64},
             {"qzt1.T+8", notBase64},
             {"qzt1." + std::string(87382, 'A'), "the test file is 64 KiB or more"},
             {"qzt1.TQ&", notPanel + "it does not start with \"qzb1.\""},
             {"qzt1.TQ&#" + panel, notPanel + "it does not start with \"qzb1.\""},
             {"qzt1.TQ&" + panel + "&", notPanel + "the beep is not 0, 1 or 2"},
             {"qzt1.TQ&qzb1.00", notPanel + "it does not have the four parts on, greyed, clock and beep"}}) {
        CAPTURE(fragment.substr(0, 40));
        CHECK(readExerciseLink(fragment) == ExerciseLinkReading{.fault = reason});
    }
}
