// SPDX-License-Identifier: MIT
#include <QTest>
#include <string>

#include "settings/setting_file.h"

using namespace qzb;

Q_DECLARE_METATYPE(PanelSwitches)

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

}  // namespace

class TestSettingFile : public QObject {
    Q_OBJECT

private slots:
    void savedFileLoadsAndSavesBack() {
        PanelSwitches word;  // 0xB3 at word 0, least significant bit first
        for (int bit = 0; bit < 8; ++bit) word.program[bit] = SwitchState((0xB3 >> bit) & 1);
        QCOMPARE(writeSettingFile(word).substr(0, 24), "1\r\n1\r\n0\r\n0\r\n1\r\n1\r\n0\r\n1\r\n");
        QCOMPARE(writeSettingFile(sampleAfter(132, 1)), sample(132));
        QCOMPARE(sample(132).size(), 413u);
        for (const char line1 : {'1', '2'}) {  // a greyed bit survives a save too
            std::string text = sample(132);
            text[0] = line1;
            PanelSwitches panel;
            readSettingFile(text, panel);
            QCOMPARE(writeSettingFile(panel), text);
        }
    }

    // Each file is loaded over a panel all greyed with 1 Hz selected, so every switch
    // shows whether the file decided it.
    void loads_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<PanelSwitches>("expected");
        const auto row = [](const std::string& name, const std::string& text, const PanelSwitches& panel) {
            QTest::newRow(name.c_str()) << QByteArray::fromStdString(text) << panel;
        };
        const PanelSwitches saved = sampleAfter(132, 1);
        PanelSwitches line40Kept = saved;
        line40Kept.program[39] = SwitchState::Greyed;
        row("saved", sample(132), saved);
        row("line 40 reads 5", sample(132).replace(39 * 3, 1, "5"), line40Kept);
        row("129-131 all true", sample(128) + "#TRUE#\r\n#TRUE#\r\n#TRUE#\r\n1",
            sampleAfter(132, 1, {0, 0, 1}));
        row("129-131 all false", sample(128) + "#FALSE#,#FALSE#,#FALSE#,1", sampleAfter(132, 1, {0, 0, 0}));
        row("140 lines", sample(132) + "0\r\n#TRUE#\r\n2\r\n,,,\r\n5\r\n1,1\r\n0\r\n0\r\n", saved);
        row("commas", sample(132, ","), saved);
        row("lone LF", sample(132, "\n"), saved);
        row("lone CR", sample(132, "\r"), saved);
        row("byte order mark", "\xEF\xBB\xBF" + sample(132), saved);
        // A short file: the fields past its end take the value read last (0 and false before any).
        row("empty", "", sampleAfter(0, 0, {0, 0, 0}));
        for (const int k : {1, 2, 39, 127, 128}) {
            for (const bool ended : {true, false}) {
                row("ends after " + std::to_string(k) + (ended ? "" : " unended"), sample(k, "\r\n", ended),
                    sampleAfter(k, sampleBit(k), {0, 0, 0}));
            }
        }
        row("ends after 129", sample(129), sampleAfter(128, 0, {0, 0, 0}));
        row("ends after 130", sample(130), sampleAfter(128, 0, {0, 0, 1}));
        row("ends after 131", sample(131, "\r\n", false), sampleAfter(128, 0));
        row("ends after a refused 7", "1\r\n7\r\n", sampleAfter(1, 2, {0, 0, 0}));
    }

    void loads() {
        QFETCH(QByteArray, text);
        QFETCH(PanelSwitches, expected);
        PanelSwitches panel = sampleAfter(0, 2, {1, 0, 0});
        readSettingFile(text.toStdString(), panel);
        QCOMPARE(panel, expected);
    }

    // How a field reads as an integer at line 2 after a line 1 reading 2 ("-" when
    // unreadable: it takes the held 2), and as a truth at line 130.
    void oddFields_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("integer");
        QTest::addColumn<QString>("truth");
        const auto row = [](const char* name, const QByteArray& field, const char* integer,
                            const char* truth) {
            QTest::newRow(name) << field << QString(integer) << QString(truth);
        };
        row("blanks, tabs, quotes", " \t\"1\" ", "1", "true");
        row("blank inside quotes", "\" 1\"", "-", "-");
        row("one quote", "\"1", "-", "-");
        row("sign and zeros", "+0001", "1", "true");
        row("0 and tab", "0\t", "0", "false");
        row("5", "5", "refused", "true");
        row("-1", "-1", "refused", "true");
        row("largest", "32767", "refused", "true");
        row("smallest", "-32768", "refused", "true");
        row("one past 16 bits", "32768", "-", "-");
        row("one below 16 bits", "-32769", "-", "-");
        row("past 64 bits", "99999999999999999999999", "-", "-");
        row("empty", "", "-", "-");
        row("blanks", " \t ", "-", "-");
        row("fraction", "1.0", "-", "-");
        row("sign alone", "-", "-", "-");
        row("#TRUE#", "#TRUE#", "-", "true");
        row("quoted #FALSE#", "\"#FALSE#\"", "-", "false");
        row("lower case", "#true#", "-", "-");
        row("NUL", QByteArray("1\0", 2), "-", "-");
        row("byte order mark", "\xEF\xBB\xBF\x31", "-", "-");
    }

    // The integer is read over a panel all off and one all on (a refused value keeps
    // each); the truth after a false and after a true line 129.
    void oddFields() {
        QFETCH(QByteArray, field);
        QFETCH(QString, integer);
        QFETCH(QString, truth);
        QString integers, truths;
        for (const bool on : {false, true}) {
            PanelSwitches panel;
            panel.program.fill(SwitchState(on));
            readSettingFile("2\r\n" + field.toStdString() + "\r\n", panel);
            QCOMPARE(panel.program[2], panel.program[1]);  // the held value follows the field
            integers += QString::number(int(panel.program[1]));
            readSettingFile(sample(128) + (on ? "#TRUE#," : "#FALSE#,") + field.toStdString() + ",#FALSE#",
                            panel);
            truths += panel.clock.hz10 ? "1" : "0";
        }
        const QMap<QString, QString> integerReads{{"00", "0"}, {"11", "1"}, {"01", "refused"}, {"22", "-"}};
        const QMap<QString, QString> truthReads{{"00", "false"}, {"11", "true"}, {"01", "-"}};
        QCOMPARE(integerReads.value(integers, integers), integer);
        QCOMPARE(truthReads.value(truths, truths), truth);
    }
};

QTEST_APPLESS_MAIN(TestSettingFile)
#include "test_setting_file.moc"
