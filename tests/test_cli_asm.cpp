// SPDX-License-Identifier: MIT
#include <QTest>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/disassembler.h"
#include "settings/setting_file.h"

using namespace qzb;

namespace {

void setWord(PanelSwitches& panel, int address, int word) {
    for (int bit = 0; bit < 8; ++bit) {
        panel.program[static_cast<std::size_t>(address) * 8 + static_cast<std::size_t>(bit)] =
            SwitchState((word >> bit) & 1);
    }
}

std::vector<int> words(const PanelSwitches& panel, int count) {
    std::vector<int> result;
    result.reserve(static_cast<std::size_t>(count));
    for (int address = 0; address < count; ++address) {
        result.push_back(readProgramWord(panel, address));
    }
    return result;
}

// The errors as the command line prints them, one per line, without the file name.
QString errorText(const Assembly& assembly) {
    QStringList lines;
    for (const AssemblyError& e : assembly.errors) {
        lines << QString("%1:%2: %3").arg(e.line).arg(e.column).arg(QString::fromStdString(e.message));
    }
    return lines.join('\n');
}

}  // namespace

class TestCliAsm : public QObject {
    Q_OBJECT

private slots:
    // Program k holds word (k + address) mod 256 at each address, so every word
    // meets every address; the clock and Beep cycle through their settings.
    void everyWordInEveryAddressSurvivesTheRoundTrip() {
        const ClockMode clocks[] = {{true, false, false}, {false, true, false}, {false, false, true}, {}};
        for (int k = 0; k < 256 + 2; ++k) {
            PanelSwitches panel;
            if (k < 256) {
                for (int address = 0; address < 16; ++address) setWord(panel, address, (k + address) % 256);
            } else if (k == 257) {
                setWord(panel, 6, 0x9F);  // the words after it are left out of the listing
            }
            panel.clock = clocks[k % 4];
            panel.beep = SwitchState(k % 2);
            const std::string listing = disassemble(panel);
            const Assembly assembly = assemble(listing);
            QVERIFY2(assembly.errors.empty(), qPrintable(errorText(assembly) + "\n" + listing.c_str()));
            QCOMPARE(writeSettingFile(assembly.switches), writeSettingFile(panel));
        }
    }

    void greyedSwitchesAreNamedAndAssembleAsOff() {
        PanelSwitches panel;
        setWord(panel, 0, 0x51);
        panel.program[0] = SwitchState::Greyed;  // word 0 reads 0101 0000
        panel.program[7] = SwitchState::Greyed;
        panel.program[15 * 8 + 2] = SwitchState::Greyed;  // the last word reads 0 but is listed
        panel.beep = SwitchState::Greyed;
        const std::string listing = disassemble(panel);
        QVERIFY(listing.find("B = B  ") != std::string::npos);
        QVERIFY(listing.find("greyed bits 7, 0 read as off") != std::string::npos);
        QVERIFY(listing.find("; 15: 0000 0000  greyed bit 2 read as off") != std::string::npos);
        QVERIFY(listing.find(".beep off  ; the Beep switch is greyed") != std::string::npos);
        const Assembly assembly = assemble(listing);
        QVERIFY(assembly.errors.empty());
        PanelSwitches off;
        setWord(off, 0, 0x50);
        QCOMPARE(writeSettingFile(assembly.switches), writeSettingFile(off));
    }

    void spellings_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<std::vector<int>>("expected");
        const auto row = [](const char* name, const char* source, const std::vector<int>& expected) {
            QTest::newRow(name) << QString(source) << expected;
        };
        row("every form",
            "A=A+1\nA=B+2\nA=IN+3\nA=4\nB=A+5\nB=B+6\nB=IN+7\nB=8\nOUT=B+9\nALT OUT=B+10\n"
            "OUT=11\nALT OUT=12\nJNC B+13\nJMP B+14\nJNC 15\nJMP 0",
            {0x01, 0x12, 0x23, 0x34, 0x45, 0x56, 0x67, 0x78, 0x89, 0x9A, 0xAB, 0xBC, 0xCD, 0xDE, 0xEF, 0xF0});
        row("no number, number first, any case", "a = b\nb = 3 + In\nalt out = B\njnc b",
            {0x10, 0x63, 0x90, 0xC0});
        row("hex, binary, leading zeros", "A = 0xF\nB = 0b1010\nOUT = 007", {0x3F, 0x7A, 0xA7});
        row("labels as targets and numbers", "start:\n A = 1\nnext: B = next\n  JMP start\nend: JNC B + end",
            {0x31, 0x71, 0xF0, 0xC3});
        row("two labels on a line, tabs, CR LF", "a1: _b:\tA = 1 ; note\r\n\tJMP _b\r\n", {0x31, 0xF0});
        row("raw words and a byte order mark",
            "\xEF\xBB\xBF.word 0xB3\n.word 255\n.WORD last\nlast:", {0xB3, 0xFF, 0x03});
    }

    void spellings() {
        QFETCH(QString, source);
        QFETCH(std::vector<int>, expected);
        const Assembly assembly = assemble(source.toStdString());
        QCOMPARE(errorText(assembly), QString());
        QCOMPARE(assembly.wordCount, int(expected.size()));
        QCOMPARE(words(assembly.switches, 16), [&] {
            expected.resize(16);
            return expected;
        }());
    }

    void directives() {
        const Assembly none = assemble(".clock none\n.beep on");
        QCOMPARE(none.switches.clock, (ClockMode{false, false, false}));
        QCOMPARE(none.switches.beep, SwitchState::On);
        const Assembly plain = assemble("");  // as the panel starts: Manual, Beep off
        QCOMPARE(plain.switches.clock, (ClockMode{false, false, true}));
        QCOMPARE(plain.switches.beep, SwitchState::Off);
        QCOMPARE(assemble(".CLOCK 1HZ").switches.clock, (ClockMode{true, false, false}));
    }

    // One row per kind of error.
    void errors_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& source, const char* expected) {
            QTest::newRow(name) << source << QString(expected);
        };
        row("immediate past 15", "A = 1\nA = B + 16", "2:9: 16 is outside 0-15");
        row("word past 255", "A = 1\n.word 0x100", "2:7: 0x100 is outside 0-255");
        row("not a number", "A = 1\n  B = 0b102", "2:7: '0b102' is not a number");
        row("17 words", "A = 1\n.word 0\n" + QByteArray("A = 1\n").repeated(14) + "  OUT = 1\nOUT = 2",
            "17:3: more than 16 words");
        row("label twice", "x: A = 1\n\n  x: B = 1", "3:3: label 'x' is already defined on line 1");
        row("label never defined", "A = 1\nJMP nowhere", "2:5: label 'nowhere' is not defined");
        row("label past the last word", "JMP end\n" + QByteArray("A = 1\n").repeated(15) + "end:",
            "1:5: label 'end' is past the last word (address 16)");
        row("label names a register", "A = 1\nin: A = 1",
            "2:1: 'in' is a reserved word and cannot be a label");
        row("OUT from A", "A = 1\nOUT = A + 1", "2:7: OUT can add only B to its number, not A");
        row("jump from IN", "A = 1\nJNC in", "2:5: JNC can add only B to its number, not IN");
        row("two registers", "A = 1\nA = A + B", "2:9: only one register can be added");
        row("two numbers", "A = 1\nA = 1 + 2", "2:9: only one number or label can be added");
        row("missing operand", "A = 1\nB =  ; nothing",
            "2:4: expected a register, a number or a label at the end of the line");
        row("missing equals", "A = 1\nA 1", "2:3: expected '='");
        row("ALT without OUT", "A = 1\nALT A = 1", "2:5: ALT goes only before OUT");
        row("unknown instruction", "A = 1\nMOV A 1", "2:1: unknown instruction 'MOV'");
        row("statement starting oddly", "A = 1\n= 1", "2:1: expected an instruction, a directive or a label");
        row("text after a statement", "A = 1\nJMP 1 2", "2:7: unexpected '2'");
        row("unknown directive", "A = 1\n.org 4", "2:1: unknown directive '.org'");
        row("bad clock", "A = 1\n.clock 5hz", "2:8: expected 1hz, 10hz, manual or none after .clock");
        row("bad beep", "A = 1\n.beep", "2:6: expected on or off after .beep at the end of the line");
        row("clock twice", ".clock 1hz\n.clock manual", "2:1: the clock is already set on line 1");
        row("register in .word", "A = 1\n.word B", "2:7: .word takes a number or a label, not a register");
        row("stray character", "A = 1\nA = 1, 2", "2:6: unexpected character ','");
        row("stray byte", "A = 1\nA = \xC3\xA9", "2:5: unexpected byte 0xC3");
    }

    void errors() {
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(errorText(assemble(source.toStdString())), expected);
    }

    void errorsComeInSourceOrder() {
        const Assembly assembly = assemble("JMP later\nA = 99\nB = 0x\n");
        QCOMPARE(errorText(assembly),
                 "1:5: label 'later' is not defined\n2:5: 99 is outside 0-15\n3:5: '0x' is not a number");
    }
};

QTEST_APPLESS_MAIN(TestCliAsm)
#include "test_cli_asm.moc"
