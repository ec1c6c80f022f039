// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

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

// Each file is loaded over a panel all greyed with 1 Hz selected, so every switch shows whether
// the file decided it. Past a short file's end the fields take the value read last (0 and false
// before any).
TEST_CASE("loads") {
    const PanelSwitches saved = sampleAfter(132, 1);
    PanelSwitches line40Kept = saved;
    line40Kept.program[39] = SwitchState::Greyed;
    std::vector<std::tuple<std::string, std::string, PanelSwitches>> rows = {
        {"saved", sample(132), saved},
        {"line 40 reads 5", sample(132).replace(39 * 3, 1, "5"), line40Kept},
        {"129-131 all true", sample(128) + "#TRUE#\r\n#TRUE#\r\n#TRUE#\r\n1", sampleAfter(132, 1, {0, 0, 1})},
        {"129-131 all false", sample(128) + "#FALSE#,#FALSE#,#FALSE#,1", sampleAfter(132, 1, {0, 0, 0})},
        {"140 lines", sample(132) + "0\r\n#TRUE#\r\n2\r\n,,,\r\n5\r\n1,1\r\n0\r\n0\r\n", saved},
        {"commas", sample(132, ","), saved},
        {"lone LF", sample(132, "\n"), saved},
        {"lone CR", sample(132, "\r"), saved},
        {"byte order mark", "\xEF\xBB\xBF" + sample(132), saved},
        {"empty", "", sampleAfter(0, 0, {0, 0, 0})},
        {"ends after 129", sample(129), sampleAfter(128, 0, {0, 0, 0})},
        {"ends after 130", sample(130), sampleAfter(128, 0, {0, 0, 1})},
        {"ends after 131", sample(131, "\r\n", false), sampleAfter(128, 0)},
        {"ends after a refused 7", "1\r\n7\r\n", sampleAfter(1, 2, {0, 0, 0})},
    };
    for (const int k : {1, 2, 39, 127, 128}) {
        for (const bool ended : {true, false}) {
            rows.emplace_back("ends after " + std::to_string(k) + (ended ? "" : " unended"),
                              sample(k, "\r\n", ended), sampleAfter(k, sampleBit(k), {0, 0, 0}));
        }
    }
    for (const auto& [name, text, expected] : rows) {
        INFO(name);
        PanelSwitches panel = sampleAfter(0, 2, {1, 0, 0});
        readSettingFile(text, panel);
        CHECK(panel == expected);
    }
}

// How a field reads as an integer at line 2 after a line 1 reading 2 ("-" when unreadable: it
// takes the held 2), over a panel all off and one all on (a refused value keeps each); and as a
// truth at line 130, after a false and after a true line 129.
TEST_CASE("odd fields") {
    // clang-format off
    const std::tuple<std::string, const char*, const char*> rows[] = {
        {" \t\"1\" ", "1", "true"}, {"\" 1\"", "-", "-"},            {"\"1", "-", "-"},
        {"+0001", "1", "true"},     {"0\t", "0", "false"},          {"-1", "refused", "true"},
        {"32767", "refused", "true"}, {"-32768", "refused", "true"}, {"32768", "-", "-"},
        {"-32769", "-", "-"},       {"99999999999999999999999", "-", "-"},
        {"", "-", "-"},             {"1.0", "-", "-"},             {"-", "-", "-"},
        {"#TRUE#", "-", "true"},    {"\"#FALSE#\"", "-", "false"}, {"#true#", "-", "-"},
        {std::string("1\0", 2), "-", "-"}, {"\xEF\xBB\xBF\x31", "-", "-"}};
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
        CHECK((integers == "00"   ? "0"
               : integers == "11" ? "1"
               : integers == "01" ? "refused"
               : integers == "22" ? "-"
                                  : integers) == integer);
        CHECK((truths == "00" ? "false" : truths == "11" ? "true" : truths == "01" ? "-" : truths) == truth);
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

// The strict check passes what the panel writes, with either line end, and names the first field
// of anything else, its text escaped and cut short.
TEST_CASE("a file as the panel writes it") {
    const std::pair<std::string, const char*> rows[] = {
        {sample(132), nullptr},
        {sample(132, "\n"), nullptr},
        {sample(132, "\r\n", false), nullptr},
        {"2" + sample(128).substr(1) + "#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n2\r\n", nullptr},
        {sample(132) + "junk\r\n\r\n,,,\r\n", nullptr},
        {"", "the file is empty"},
        {withLine(2, ""), "line 2 is empty"},
        {sample(131), "the file ends after line 131"},
        {sample(40, "\r\n", false), "the file ends after line 40"},
        {sample(132, "\r\r\n"), "line 1 is '1\\x0d'"},
        {sample(132, ","), "line 1 is '1,0,1,0,1,0,1,0,1,0,...'"},
        {std::string("PK\x03\x04\x14\x00\x08\x00\x08\x00\n", 11), "line 1 is 'PK\\x03\\x04\\x14\\x00...'"},
        {withLine(7, "ééééééééééé"), "line 7 is 'éééééééééé...'"},
        {"\xEF\xBB\xBF" + sample(132), "the file starts with a byte order mark"},
        {withLine(40, "5"), "line 40 is '5'"},
        {withLine(3, " \"1\""), "line 3 is ' \"1\"'"},
        {withLine(129, "-1"), "line 129 is '-1'"},
        {withLine(132, "#TRUE#"), "line 132 is '#TRUE#'"},
    };
    for (const auto& [text, fault] : rows) {
        CAPTURE(text.substr(0, 12));
        CHECK(settingFileFault(text) == (fault ? std::optional<std::string>(fault) : std::nullopt));
    }
}
