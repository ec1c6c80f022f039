#include <QTest>
#include <string>

#include "settings/setting_file.h"

using qzb::ClockMode;
using qzb::PanelSwitches;
using qzb::SwitchState;

Q_DECLARE_METATYPE(PanelSwitches)

namespace {

constexpr auto Off = SwitchState::Off;
constexpr auto On = SwitchState::On;
constexpr auto Greyed = SwitchState::Greyed;

// Lines 1-128 of a sample file: line n holds n % 2, except line 40, which holds 0.
int sampleBit(int line) {
    return line == 40 ? 0 : line % 2;
}

std::string sampleLines(int count, const char* lineEnd = "\r\n") {
    const char* truths[] = {"#FALSE#", "#TRUE#", "#FALSE#", "1"};
    std::string text;
    for (int line = 1; line <= count; ++line) {
        text += line <= 128 ? std::to_string(sampleBit(line)) : truths[line - 129];
        text += lineEnd;
    }
    return text;
}

PanelSwitches samplePanel() {
    PanelSwitches panel;
    for (int n = 0; n < 128; ++n) panel.program[n] = static_cast<SwitchState>(sampleBit(n + 1));
    panel.clock.select10Hz();
    panel.beep = On;
    return panel;
}

// A panel no file line matches: every switch greyed, 1 Hz selected.
PanelSwitches greyedPanel() {
    PanelSwitches panel;
    panel.program.fill(Greyed);
    panel.input.fill(On);
    panel.beep = Greyed;
    panel.clock.select1Hz();
    return panel;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        result.push_back(text.substr(start, end - start));
    }
    return result;
}

}  // namespace

class TestSettingFile : public QObject {
    Q_OBJECT

private slots:
    void writesWordsLeastSignificantBitFirst() {
        PanelSwitches panel;
        const int word = 0xB3;
        for (int bit = 0; bit < 8; ++bit) panel.program[bit] = (word >> bit) & 1 ? On : Off;
        const auto written = lines(qzb::writeSettingFile(panel));
        QCOMPARE(std::vector(written.begin(), written.begin() + 8),
                 (std::vector<std::string>{"1", "1", "0", "0", "1", "1", "0", "1"}));
    }

    void savedFileIs132CrLfLinesOf413Bytes() {
        const std::string text = qzb::writeSettingFile(samplePanel());
        QCOMPARE(text.size(), 413u);
        QCOMPARE(text, sampleLines(132));
        QCOMPARE(lines(text).size(), 132u);
        QCOMPARE(text.find('\n'), text.find("\r\n") + 1);
    }

    void loadThenSaveIsByteIdentical() {
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile(sampleLines(132), panel);
        PanelSwitches expected = samplePanel();
        expected.input = panel.input;  // a setting file does not hold the input port
        QCOMPARE(panel, expected);
        QCOMPARE(qzb::writeSettingFile(panel), sampleLines(132));
    }

    void greyedBitSurvivesASave() {
        std::string text = sampleLines(132);
        text[0] = '2';
        PanelSwitches panel;
        qzb::readSettingFile(text, panel);
        QCOMPARE(panel.program[0], Greyed);
        QCOMPARE(qzb::readProgramWord(panel, 0) & 1, 0);
        QCOMPARE(qzb::writeSettingFile(panel), text);
    }

    void refusedValueKeepsItsSwitch() {
        std::string text = sampleLines(132);
        text[39 * 3] = '5';  // line 40
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile(text, panel);
        PanelSwitches expected = samplePanel();
        expected.input = panel.input;
        expected.program[39] = Greyed;
        QCOMPARE(panel, expected);
    }

    void shortFiles_data() {
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<bool>("finalLineEnd");
        QTest::addColumn<PanelSwitches>("expected");

        const auto expectedAfter = [](int lineCount, int heldBit, ClockMode clock) {
            PanelSwitches panel = greyedPanel();
            for (int n = 0; n < 128; ++n)
                panel.program[n] = static_cast<SwitchState>(n < lineCount ? sampleBit(n + 1) : heldBit);
            panel.clock = clock;
            panel.beep = static_cast<SwitchState>(heldBit);
            return panel;
        };
        const ClockMode none{false, false, false};
        QTest::newRow("empty") << 0 << true << expectedAfter(0, 0, none);
        for (const int k : {1, 2, 39, 127, 128}) {
            for (const bool lineEnd : {true, false}) {
                QTest::addRow("ends after line %d%s", k, lineEnd ? "" : " without line end")
                    << k << lineEnd << expectedAfter(k, sampleBit(k), none);
            }
        }
        // Line 129 is false: the held false clears all three options.
        QTest::newRow("ends after 129") << 129 << true << expectedAfter(128, 0, none);
        // Line 130 is true, and is handed on to Manual.
        QTest::newRow("ends after 130") << 130 << true << expectedAfter(128, 0, {false, false, true});
        QTest::newRow("ends after 131") << 131 << false << expectedAfter(128, 0, {false, true, false});
    }

    void shortFiles() {
        QFETCH(int, lineCount);
        QFETCH(bool, finalLineEnd);
        QFETCH(PanelSwitches, expected);
        std::string text = sampleLines(lineCount);
        if (!finalLineEnd) text.resize(text.size() - 2);
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile(text, panel);
        QCOMPARE(panel, expected);
    }

    void fileEndingAfterARefusedValueKeepsTheRest() {
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile("1\r\n7\r\n", panel);
        QCOMPARE(panel.program[0], On);
        QCOMPARE(panel.program[1], Greyed);
        QCOMPARE(panel.program[127], Greyed);
        QCOMPARE(panel.beep, Greyed);
    }

    void clockOptions_data() {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<ClockMode>("expected");
        QTest::newRow("all true: the last wins")
            << QByteArray("#TRUE#,#TRUE#,#TRUE#") << ClockMode{false, false, true};
        QTest::newRow("all false: none")
            << QByteArray("#FALSE#,#FALSE#,#FALSE#") << ClockMode{false, false, false};
        QTest::newRow("1 Hz") << QByteArray("#TRUE#,#FALSE#,#FALSE#") << ClockMode{true, false, false};
        QTest::newRow("true then false")
            << QByteArray("#FALSE#,#TRUE#,#FALSE#") << ClockMode{false, true, false};
        QTest::newRow("1 Hz and 10 Hz")
            << QByteArray("#TRUE#,#TRUE#,#FALSE#") << ClockMode{false, true, false};
    }

    void clockOptions() {
        QFETCH(QByteArray, options);
        QFETCH(ClockMode, expected);
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile(sampleLines(128) + options.toStdString() + "\r\n0\r\n", panel);
        QCOMPARE(panel.clock, expected);
    }

    void linesAfter132AreIgnored() {
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile(sampleLines(132) + "0\r\n#FALSE#\r\n2\r\n,,,\r\n5\r\n1,1\r\n0\r\n0\r\n", panel);
        PanelSwitches expected = samplePanel();
        expected.input = panel.input;
        QCOMPARE(panel, expected);
    }

    void fieldSeparators_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("CR LF") << QByteArray::fromStdString(sampleLines(132));
        QTest::newRow("lone LF") << QByteArray::fromStdString(sampleLines(132, "\n"));
        QTest::newRow("lone CR") << QByteArray::fromStdString(sampleLines(132, "\r"));
        QTest::newRow("commas") << QByteArray::fromStdString(sampleLines(132, ","));
        std::string mixed = sampleLines(64, ",");
        mixed.back() = '\n';
        QTest::newRow("commas and LF, then CR LF")
            << QByteArray::fromStdString(mixed + sampleLines(132).substr(64 * 3));
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + QByteArray::fromStdString(sampleLines(132));
    }

    void fieldSeparators() {
        QFETCH(QByteArray, text);
        PanelSwitches panel = greyedPanel();
        qzb::readSettingFile(text.toStdString(), panel);
        QCOMPARE(qzb::writeSettingFile(panel), sampleLines(132));
    }

    // Each field is read at line 2 of a file whose line 1 reads 2 and which
    // ends after it, over a panel all off and over one all on: a value reaches
    // both panels, a refused value keeps each, an unreadable field hands the
    // held 2. A truth field likewise at line 130 after a true and after a false line 129.
    void unusualFields_data() {
        QTest::addColumn<bool>("truthField");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("reads");
        const auto integerRow = [](const char* name, QByteArray field, const char* reads) {
            QTest::newRow(name) << false << field << QString(reads);
        };
        const auto truthRow = [](const char* name, QByteArray field, const char* reads) {
            QTest::newRow(name) << true << field << QString(reads);
        };
        integerRow("0", "0", "0");
        integerRow("1", "1", "1");
        integerRow("blanks and tabs", " \t1 \t", "1");
        integerRow("quoted", "\"1\"", "1");
        integerRow("quoted in blanks", "  \"0\" ", "0");
        integerRow("blank inside quotes", "\" 1\"", "unreadable");
        integerRow("one quote", "\"1", "unreadable");
        integerRow("empty quotes", "\"\"", "unreadable");
        integerRow("plus sign", "+1", "1");
        integerRow("leading zeros", "0000000000000000000001", "1");
        integerRow("minus zero", "-0", "0");
        integerRow("5 is refused", "5", "refused");
        integerRow("-1 is refused", "-1", "refused");
        integerRow("largest", "32767", "refused");
        integerRow("smallest", "-32768", "refused");
        integerRow("one past 16 bits", "32768", "unreadable");
        integerRow("one below 16 bits", "-32769", "unreadable");
        integerRow("wraps to 1 in 16 bits", "65537", "unreadable");
        integerRow("huge", "99999999999999999999999", "unreadable");
        integerRow("empty line", "", "unreadable");
        integerRow("blank line", " \t ", "unreadable");
        integerRow("fraction", "1.0", "unreadable");
        integerRow("exponent", "1e0", "unreadable");
        integerRow("blank inside", "1 0", "unreadable");
        integerRow("sign alone", "-", "unreadable");
        integerRow("true", "#TRUE#", "unreadable");
        integerRow("word", "one", "unreadable");
        integerRow("hexadecimal", "&H1", "unreadable");
        integerRow("NUL", QByteArray("1\0", 2), "unreadable");
        integerRow("byte order mark after the start",
                   "\xEF\xBB\xBF"
                   "1",
                   "unreadable");
        truthRow("#TRUE#", "#TRUE#", "true");
        truthRow("#FALSE#", "#FALSE#", "false");
        truthRow("true in blanks", " #TRUE#\t", "true");
        truthRow("quoted false", "\"#FALSE#\"", "false");
        truthRow("lower case", "#true#", "unreadable");
        truthRow("word", "True", "unreadable");
        truthRow("-1", "-1", "true");
        truthRow("2", "2", "true");
        truthRow("0", "0", "false");
        truthRow("huge number", "70000", "unreadable");
        truthRow("fraction", "0.0", "unreadable");
        truthRow("empty", "", "unreadable");
        truthRow("one number sign", "#TRUE", "unreadable");
    }

    void unusualFields() {
        QFETCH(bool, truthField);
        QFETCH(QByteArray, field);
        QFETCH(QString, reads);
        const std::string text = field.toStdString();
        QString seen[2];
        for (int run = 0; run < 2; ++run) {
            PanelSwitches panel;
            if (truthField) {
                qzb::readSettingFile(
                    sampleLines(128) + (run ? "#TRUE#" : "#FALSE#") + "\r\n" + text + "\r\n#FALSE#", panel);
                seen[run] = panel.clock.hz10 ? "T" : "F";
            } else {
                panel.program.fill(run ? On : Off);
                qzb::readSettingFile("2\r\n" + text + "\r\n", panel);
                QCOMPARE(panel.program[2], panel.program[1]);  // the held value follows the field
                seen[run] = QString::number(static_cast<int>(panel.program[1]));
            }
        }
        const QString both = seen[0] + seen[1];
        const QString got = truthField ? (both == "TT"   ? "true"
                                          : both == "FF" ? "false"
                                          : both == "FT" ? "unreadable"
                                                         : both)
                                       : (both == "00"   ? "0"
                                          : both == "11" ? "1"
                                          : both == "22" ? "unreadable"
                                          : both == "01" ? "refused"
                                                         : both);
        QCOMPARE(got, reads);
    }
};

QTEST_APPLESS_MAIN(TestSettingFile)
#include "test_setting_file.moc"
