// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <string>
#include <string_view>
#include <utility>

#include "asm/assembler.h"
#include "asm/disassembler.h"
#include "asm/step_words.h"
#include "settings/setting_file.h"

using namespace qzb;
using namespace std::literals;

namespace {

void setWord(PanelSwitches& panel, int address, int word) {
    for (int bit = 0; bit < 8; ++bit)
        panel.program[std::size_t(address * 8 + bit)] = SwitchState((word >> bit) & 1);
}

// The errors as the command line prints them, one per line, without the file name.
std::string errorText(const Assembly& assembly) {
    std::string text;
    for (const std::string& line : locatedMessages("", assembly.errors))
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string repeated(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) result += text;
    return result;
}

}  // namespace

// Program k holds word (k + address) mod 256 at each address, so every word meets every address; the
// clock and Beep cycle through their settings. Program 257 leaves the words after address 6 out.
TEST_CASE("every word in every address survives the round trip") {
    const ClockMode clocks[] = {{true, false, false}, {false, true, false}, {false, false, true}, {}};
    for (int k = 0; k < 256 + 2; ++k) {
        PanelSwitches panel{.clock = clocks[k % 4], .beep = SwitchState(k % 2)};
        for (int address = 0; address < 16 && k < 256; ++address)
            setWord(panel, address, (k + address) % 256);
        if (k == 257) setWord(panel, 6, 0x9F);
        const std::string listing = disassemble(panel);
        const Assembly assembly = assemble(listing);
        INFO(listing);
        CHECK(errorText(assembly) == "");
        CHECK(writeSettingFile(assembly.switches) == writeSettingFile(panel));
    }
}

TEST_CASE("greyed switches are named and assemble as off") {
    PanelSwitches panel;
    setWord(panel, 0, 0x51);
    panel.beep = SwitchState::Greyed;
    panel.program[0] = panel.program[7] = SwitchState::Greyed;  // word 0 reads 0101 0000
    panel.program[15 * 8 + 2] = SwitchState::Greyed;            // the last word reads 0 but is listed
    const std::string listing = disassemble(panel);
    for (const char* part :
         {"B = B  ", "greyed bits 7, 0 read as off", "; 15: 0000 0000  greyed bit 2 read as off",
          ".beep off  ; the Beep switch is greyed"})
        CHECK(listing.find(part) != std::string::npos);
    const Assembly assembly = assemble(listing);
    CHECK(assembly.errors.empty());
    PanelSwitches off;
    setWord(off, 0, 0x50);
    CHECK(writeSettingFile(assembly.switches) == writeSettingFile(off));
    CHECK(listingRow(panel, 0) == ListingRow{"00", "0101 0000", "B = B"});
    CHECK(listingRow(panel, 15) == ListingRow{"15", "0000 0000", "A = A"});
}

// Every form, worked out by hand from A = 0101, B = 1100, the input 0011 and the PC where the row starts.
TEST_CASE("a step in words") {
    // clang-format off
    const std::tuple<int, bool, const char*> rows[] = {
        {0x03, false, "02  A = A + 3: 0101 + 0011 = 1000, carry 0; PC 02 → 03"},
        {0x15, true, "02  A = B + 5: 1100 + 0101 = 0001, carry 1; PC 02 → 03"},
        {0x21, false, "02  A = IN + 1: 0011 + 0001 = 0100, carry 0; PC 02 → 03"},
        {0x3A, true, "02  A = 10: 1010, carry 0; PC 02 → 03"},
        {0x6F, false, "02  B = IN + 15: 0011 + 1111 = 0010, carry 1; PC 02 → 03"},
        {0x84, false, "02  OUT = B + 4: 1100 + 0100 = 0000, carry 1; PC 02 → 03"},
        {0x92, false, "02  ALT OUT = B + 2: 1100 + 0010 = 1110, carry 0; PC 02 → 03"},
        {0xC3, false, "02  JNC B + 3: carry was 0, jump; 1100 + 0011 = 1111, carry now 0; PC 02 → 15"},
        {0xC5, true, "02  JNC B + 5: carry was 1, no jump; 1100 + 0101 = 0001, carry now 1; PC 02 → 03"},
        {0xD5, false, "02  JMP B + 5: 1100 + 0101 = 0001, carry 1, jump; PC 02 → 01"},
        {0xE5, true, "02  JNC 5: carry was 1, no jump; 0101, carry now 0; PC 02 → 03"},
        {0xE5, false, "02  JNC 5: carry was 0, jump; 0101, carry now 0; PC 02 → 05"},
        {0xF0, true, "02  JMP 0: 0000, carry 0, jump; PC 02 → 00"},
        {0x03, false, "15  A = A + 3: 0101 + 0011 = 1000, carry 0; PC 15 → 00"}};
    // clang-format on
    for (const auto& [word, carry, words] : rows) {
        CAPTURE(words);
        const auto pc = std::uint8_t((words[0] - '0') * 10 + words[1] - '0');
        PanelSwitches panel;
        setWord(panel, pc, word);
        panel.input = {SwitchState::On, SwitchState::On, SwitchState::Off, SwitchState::Off};
        Machine machine(panel);
        machine.setState({.pc = pc, .a = 5, .b = 12, .carry = carry});
        CHECK(stepInWords(machine.step()) == words);
    }
}

// Each source and its words in hex; the rest of the 16 words are 00. Without directives a source has
// Manual selected and Beep off, as the panel starts.
TEST_CASE("spellings and directives") {
    // clang-format off
    const std::pair<const char*, const char*> rows[] = {
        {"A=A+1\nA=B+2\nA=IN+3\nA=4\nB=A+5\nB=B+6\nB=IN+7\nB=8\nOUT=B+9\nALT OUT=B+10\n"
         "OUT=11\nALT OUT=12\nJNC B+13\nJMP B+14\nJNC 15\nJMP 0",
         "01 12 23 34 45 56 67 78 89 9A AB BC CD DE EF F0 "},
        {"a = b\nb = 3 + In\nalt out = B\njnc b", "10 63 90 C0 "},  // no number, number first, any case
        {"A = 0xF\nB = 0b1010\nOUT = 007", "3F 7A A7 "},
        {"start:\n A = 1\nnext: B = next\n  JMP start\nend: JNC B + end", "31 71 F0 C3 "},
        {"a1: _b:\tA = 1 ; note\r\n\tJMP _b\r\n", "31 F0 "},  // two labels on a line, tabs, CR LF
        {"\xEF\xBB\xBF.word 0xB3\n.word 255\n.WORD last\nlast:", "B3 FF 03 "}};
    // clang-format on
    for (const auto& [source, words] : rows) {
        INFO(source);
        const Assembly assembly = assemble(source);
        CHECK(errorText(assembly) == "");
        std::string hex;
        for (int address = 0; address < 16; ++address) {
            const int word = readProgramWord(assembly.switches, address);
            hex += {"0123456789ABCDEF"[word >> 4], "0123456789ABCDEF"[word & 15], ' '};
        }
        const int count = int(std::string_view(words).size() / 3);
        CHECK(assembly.wordCount == count);
        CHECK(hex == words + repeated("00 ", 16 - count));
    }
    CHECK(assemble("").switches == PanelSwitches{});
    const Assembly set = assemble(".CLOCK 1HZ\n.Beep ON");
    CHECK((set.switches.clock == ClockMode{true, false, false} && set.switches.beep == SwitchState::On));
}

// One row per kind of error; a source with several lists them in source order.
TEST_CASE("errors") {
    // clang-format off
    const std::pair<std::string, const char*> rows[] = {
        {"A = 1\nA = B + 16", "2:9: 16 is outside 0-15"},
        {"A = 1\n.word 0x100", "2:7: 0x100 is outside 0-255"},
        {"A = 1\n  B = 0b102", "2:7: '0b102' is not a number"},
        {"A = 1\n.word 0\n" + repeated("A = 1\n", 14) + "  OUT = 1\nOUT = 2", "17:3: more than 16 words"},
        {"x: A = 1\n\n  x: B = 1", "3:3: label 'x' is already defined on line 1"},
        {"JMP end\n" + repeated("A = 1\n", 15) + "end:", "1:5: label 'end' is past the last word (address 16)"},
        {"A = 1\nin: A = 1", "2:1: 'in' is a reserved word and cannot be a label"},
        {"A = 1\nJNC in", "2:5: JNC can add only B to its number, not IN"},
        {"A = 1\nA = A + B", "2:9: only one register can be added"},
        {"A = 1\nA = 1 + 2", "2:9: only one number or label can be added"},
        {"A = 1\nB =  ; nothing", "2:4: expected a register, a number or a label at the end of the line"},
        {"A = 1\nA 1", "2:3: expected '='"},
        {"A = 1\nALT A = 1", "2:5: ALT goes only before OUT"},
        {"A = 1\nMOV A 1", "2:1: unknown instruction 'MOV'"},
        {"A = 1\n= 1", "2:1: expected an instruction, a directive or a label"},
        {"A = 1\nJMP 1 2", "2:7: unexpected '2'"},
        {"A = 1\n.org 4", "2:1: unknown directive '.org'"},
        {"A = 1\n.clock 5hz", "2:8: expected 1hz, 10hz, manual or none after .clock"},
        {"A = 1\n.beep", "2:6: expected on or off after .beep at the end of the line"},
        {".clock 1hz\n.clock manual", "2:1: the clock is already set on line 1"},
        {"A = 1\n.word B", "2:7: .word takes a number or a label, not a register"},
        {"A = 1\nA = 1, 2", "2:6: unexpected character ','"},
        {"A = 1\nA = \xC3\xA9", "2:5: unexpected byte 0xC3"},
        {"loop: B = B - 1\nJMP loop", "1:13: there is no subtraction; add 15 to take 1 away (B = B + 15)"},
        {"JNC in - 3", "1:8: there is no subtraction; add 13 to take 3 away (JNC in + 13)"},
        {"A = -2", "1:5: there is no subtraction; add 15 to take 1 away (B = B + 15)"},
        {"loop B = B + 1\nJMP loop", "1:1: unknown instruction 'loop'; a label needs a colon: loop:"},
        {"x: JMP two\ntwo .word 3", "2:1: unknown instruction 'two'; a label needs a colon: two:"},
        {"IN B = 1\nhalt", "1:1: unknown instruction 'IN'\n2:1: unknown instruction 'halt'"},
        {"\xFF\xFE" "A\0 \0=\0 \0\x31\0\n\0"s, "1:1: the source is UTF-16; save it as UTF-8"},
        {"\0A\0=\0\x31"s, "1:1: the source is UTF-16; save it as UTF-8"},  // big-endian, without a mark
        {"\0\0"s, "1:1: unexpected byte 0x00"},
        {"JMP later\nA = 99\nB = 0x\n",
         "1:5: label 'later' is not defined\n2:5: 99 is outside 0-15\n3:5: '0x' is not a number"}};
    // clang-format on
    for (const auto& [source, expected] : rows) {
        INFO(source);
        CHECK(errorText(assemble(source)) == expected);
    }
}

// A row's statement: its word in hex, or its messages.
TEST_CASE("one statement for one word") {
    const std::pair<std::string, std::string> rows[] = {
        {"B = B + 1 ; a comment", "51"},
        {" jnc b+3", "C3"},
        {".word 0b10110011", "B3"},
        {"B = B - 1", "there is no subtraction; add 15 to take 1 away (B = B + 15)"},
        {"loop: JMP loop", "a row's statement takes numbers, not labels"},
        {"JMP end", "a row's statement takes numbers, not labels"},
        {"lop A = 1", "unknown instruction 'lop'"},
        {".clock 10hz", ".clock sets the panel, not a row's word"},
        {"; nothing", "expected an instruction or .word n"},
        {"A = 1\nB = 2", "a row holds one statement, on one line"},
        {"A = 16", "16 is outside 0-15"}};
    for (const auto& [statement, expected] : rows) {
        CAPTURE(statement);
        const StatementAssembly assembled = assembleStatement(statement);
        std::string shown;
        for (const AssemblyError& error : assembled.errors) shown += error.message;
        if (assembled.word)
            shown = {"0123456789ABCDEF"[*assembled.word >> 4], "0123456789ABCDEF"[*assembled.word & 15]};
        CHECK(shown == expected);
    }
}
