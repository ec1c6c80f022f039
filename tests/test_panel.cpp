#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <fstream>
#include <memory>

#include "panel/frm_main.h"

using qzb::frmMain;
using qzb::MachineState;
using qzb::SwitchState;

namespace {

// Counts beeps, records messages and hands out scripted file choices, so no test waits on a modal window.
class RecordingDesktop final : public qzb::Desktop {
public:
    void showMessage(Icon icon, const QString& text) override { messages.push_back({icon, text}); }
    void beep() override { ++beeps; }
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override {
        if (picks.empty()) return std::nullopt;
        auto pick = picks.front();
        picks.pop_front();
        return pick;
    }

    struct Message {
        Icon icon;
        QString text;
    };
    std::vector<Message> messages;
    int beeps = 0;
    std::deque<std::optional<std::string>> picks;
};

bool isRed(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

int redAddressRow(const frmMain& window) {
    int red = -1;
    for (int g = 0; g < 16; ++g) {
        if (!isRed(window.Label2[static_cast<std::size_t>(g)])) continue;
        if (red >= 0) return -2;  // more than one
        red = g;
    }
    return red;
}

}  // namespace

class TestPanel : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingDesktop> desktop;
    std::unique_ptr<frmMain> window;

    void toggleWord(int address, int word) {
        for (int bit = 0; bit < 8; ++bit) {
            if (((word >> bit) & 1) != 0)
                QTest::mouseClick(window->chkRom[std::size_t(address * 8 + bit)], Qt::LeftButton);
        }
    }

private slots:
    void init() {
        desktop = std::make_unique<RecordingDesktop>();
        window = std::make_unique<frmMain>(*desktop);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void cleanup() { window.reset(); }

    void startState() {
        QCOMPARE(window->windowTitle(), QStringLiteral("QZB エミュレータ"));
        QVERIFY(window->optClk3->isChecked() && !window->optClk1->isChecked() &&
                !window->optClk2->isChecked());
        for (auto* box : window->chkRom) QCOMPARE(box->checkState(), Qt::Unchecked);
        for (auto* box : window->chkInp) QCOMPARE(box->checkState(), Qt::Unchecked);
        QCOMPARE(window->switches(), qzb::PanelSwitches{});
        for (QLabel* readout : {window->lblRegA, window->lblRegB, window->lblPC})
            QCOMPARE(readout->text(), "0000");
        QCOMPARE(window->lblF->text(), "0");
        QCOMPARE(window->lblOUTP->text(), "○○○○");
        QVERIFY(isRed(window->lblOUTP));
        QCOMPARE(window->lblOUTP->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(QFontInfo(window->lblOUTP->font()).family(), QStringLiteral("IPAPGothic"));
        QCOMPARE(window->Label2[9]->text(), "Address 09");
        QCOMPARE(redAddressRow(*window), 0);
        QCOMPARE(QApplication::focusWidget(), window->chkRom[0]);
        QVERIFY(window->Timer1.isActive());
        QCOMPARE(window->Timer1.interval(), 100);
        QCOMPARE(window->Timer1.timerType(), Qt::PreciseTimer);
        QVERIFY(desktop->messages.empty());
        QCOMPARE(desktop->beeps, 0);
    }

    void windowIsFixed() {
        QWidget* client = window->centralWidget();
        QCOMPARE(client->geometry(), QRect(0, window->menuBar()->height(), 400, 445));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->size(), QSize(400, 445 + window->menuBar()->height()));
        QVERIFY(!(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const QList<QAction*> bar = window->menuBar()->actions();
        QCOMPARE(bar.size(), 2);
        QCOMPARE(bar[0]->text(), "File");
        QCOMPARE(bar[1]->text(), "About");
        QVERIFY(!bar[1]->menu());
        QStringList items;
        for (QAction* item : bar[0]->menu()->actions()) items << item->text();
        QCOMPARE(items, QStringList({"Load", "SaveAs", "End"}));
    }

    void geometry_data() {
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        const auto row = [](const QString& name, QRect rect, const QString& text = {},
                            const QString& parent = QStringLiteral("client")) {
            QTest::newRow(qPrintable(name)) << parent << rect << text;
        };
        for (int a = 0; a < 16; ++a) {
            for (int b = 0; b < 8; ++b)
                row(QStringLiteral("chkRom(%1)").arg(8 * a + b), {192 + 16 * (7 - b), 56 + 24 * a, 17, 12});
            row(QStringLiteral("Label2(%1)").arg(a), {320, 56 + 24 * a, 73, 17},
                QStringLiteral("Address %1").arg(a, 2, 10, QChar('0')));
        }
        for (int b = 0; b < 4; ++b)
            row(QStringLiteral("chkInp(%1)").arg(b), {88 + 16 * (3 - b), 296, 17, 17});
        for (int k = 0; k < 8; ++k)
            row(QStringLiteral("Label9(%1)").arg(k), {96 + 16 * (3 - k % 4), k >= 4 ? 208 : 280, 17, 17},
                QString::number(k % 4));
        row("Label3", {192, 16, 169, 17}, "Program Memory");
        row("Label1(0)", {192, 40, 33, 17}, "D7");
        row("Label1(1)", {304, 40, 33, 17}, "D0");
        row("Label4", {8, 48, 65, 17}, "RegistorA");
        row("lblRegA", {80, 48, 65, 17}, "0000");
        row("Label5", {8, 72, 65, 17}, "RegistorB");
        row("lblRegB", {80, 72, 65, 17}, "0000");
        row("Label7", {8, 96, 57, 17}, "C Flag");
        row("lblF", {80, 96, 25, 17}, "0");
        row("Label6", {8, 120, 89, 17}, "ProgramCounter");
        row("lblPC", {112, 120, 49, 17}, "0000");
        row("Label8(1)", {88, 192, 65, 17}, "OUTP");
        row("lblOUTP", {80, 224, 81, 17}, "○○○○");
        row("chkBeep", {8, 240, 57, 17}, "Beep");
        row("Label8(0)", {88, 264, 65, 17}, "INP");
        row("Frame1", {0, 328, 169, 73}, "Clock Generator");
        row("optClk1", {8, 16, 57, 17}, "1Hz", "Frame1");
        row("optClk2", {8, 32, 57, 17}, "10Hz", "Frame1");
        row("optClk3", {8, 48, 81, 17}, "Manual →", "Frame1");
        row("cmdClock", {88, 40, 65, 25}, "Clock", "Frame1");
        row("cmdReset", {0, 408, 169, 25}, "Reset");
    }
    void geometry() {
        QFETCH(QString, parentName);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        auto* control = window->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(control);
        QWidget* parent = parentName == "client" ? window->centralWidget() : window->Frame1;
        QCOMPARE(control->parentWidget(), parent);
        QCOMPARE(control->geometry(), rect);
        if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->text(), text);
        if (auto* button = qobject_cast<QAbstractButton*>(control)) QCOMPARE(button->text(), text);
        if (auto* frame = qobject_cast<QGroupBox*>(control)) QCOMPARE(frame->title(), text);
    }

    void tabOrderAndSpace() {
        QList<QWidget*> expected(window->chkRom.begin() + 1, window->chkRom.end());
        expected << window->cmdReset << window->optClk3 << window->cmdClock;
        expected.append(QList<QWidget*>(window->chkInp.begin(), window->chkInp.end()));
        expected << window->chkBeep << window->chkRom[0];
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(window->chkRom[0], Qt::Key_Space);
        QCOMPARE(window->switches().program[0], SwitchState::On);
        window->optClk3->setFocus();
        QTest::keyClick(window->optClk3, Qt::Key_Up);  // the arrows select within the clock options
        QVERIFY(window->switches().clock.hz10);
        QCOMPARE(QApplication::focusWidget(), window->optClk2);
        window->cmdReset->setFocus();
        QTest::keyClick(window->cmdReset, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->optClk2);
    }

    void programToggledInAndClocked() {
        toggleWord(0, 0x35);  // A = 5
        toggleWord(1, 0x73);  // B = 3
        toggleWord(2, 0x81);  // OUT = B + 1
        toggleWord(3, 0x0C);  // A = A + 12, carry
        toggleWord(4, 0xF0);  // jump to 0
        QCOMPARE(qzb::readProgramWord(window->switches(), 3), 0x0C);
        QCOMPARE(window->lblRegA->text(), "0000");  // toggling alone runs nothing

        const struct {
            const char *a, *b, *pc, *carry, *lamps;
        } afterStep[] = {
            {"0101", "0000", "0001", "0", "○○○○"}, {"0101", "0011", "0010", "0", "○○○○"},
            {"0101", "0011", "0011", "0", "○●○○"}, {"0001", "0011", "0100", "1", "○●○○"},
            {"0001", "0011", "0000", "0", "○●○○"},
        };
        for (const auto& expected : afterStep) {
            window->cmdClock->click();
            QCOMPARE(window->lblRegA->text(), expected.a);
            QCOMPARE(window->lblRegB->text(), expected.b);
            QCOMPARE(window->lblPC->text(), expected.pc);
            QCOMPARE(window->lblF->text(), expected.carry);
            QCOMPARE(window->lblOUTP->text(), expected.lamps);
            QCOMPARE(redAddressRow(*window), window->machine().state().pc);
        }
    }

    void greyedSwitchClicks() {
        window->switches().program[5] = SwitchState::Greyed;
        window->showSwitches();
        QCOMPARE(window->chkRom[5]->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(window->chkRom[5], Qt::LeftButton);
        QCOMPARE(window->switches().program[5], SwitchState::On);
        QTest::mouseClick(window->chkRom[5], Qt::LeftButton);
        QCOMPARE(window->switches().program[5], SwitchState::Off);
        QCOMPARE(window->chkRom[5]->checkState(), Qt::Unchecked);
    }

    void resetWhileRunning() {
        window->optClk2->click();
        for (int tick = 0; tick < 5; ++tick) window->onTimerTick();
        window->machine().setState({3, 4, 5, 6, true});
        window->cmdReset->click();
        QCOMPARE(window->machine().state(), MachineState{});
        QCOMPARE(window->lblPC->text(), "0000");
        QCOMPARE(redAddressRow(*window), 0);
        QVERIFY(window->Timer1.isActive());
        window->onTimerTick();
        QCOMPARE(window->machine().state().pc, 1);
    }

    // Every word is 0 (A = A + 0), so the program counter counts the steps.
    void clockSource_data() {
        QTest::addColumn<int>("option");  // 0 = none selected
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("steps");
        QTest::newRow("1 Hz, nine ticks") << 1 << 9 << 2 << 0;
        QTest::newRow("1 Hz, ten ticks") << 1 << 10 << 2 << 1;
        QTest::newRow("1 Hz, twenty ticks") << 1 << 20 << 0 << 2;
        QTest::newRow("10 Hz") << 2 << 7 << 2 << 7;
        QTest::newRow("Manual") << 3 << 15 << 3 << 3;
        QTest::newRow("none selected") << 0 << 15 << 3 << 0;
    }
    void clockSource() {
        QFETCH(int, option);
        QFETCH(int, ticks);
        QFETCH(int, presses);
        QFETCH(int, steps);
        if (option == 0) {
            window->switches().clock = {false, false, false};
            window->showSwitches();
        } else {
            QRadioButton* options[] = {window->optClk1, window->optClk2, window->optClk3};
            QTest::mouseClick(options[option - 1], Qt::LeftButton);
        }
        for (QRadioButton* o : {window->optClk1, window->optClk2, window->optClk3})
            QCOMPARE(o->isChecked(),
                     o == window->findChild<QRadioButton*>(QStringLiteral("optClk%1").arg(option)));
        for (int tick = 0; tick < ticks; ++tick) window->onTimerTick();
        for (int press = 0; press < presses; ++press) window->cmdClock->click();
        QCOMPARE(window->machine().state().pc, steps);
    }

    void oneHertzDividerResumes() {
        window->optClk1->click();
        for (int tick = 0; tick < 4; ++tick) window->onTimerTick();
        window->optClk2->click();
        for (int tick = 0; tick < 3; ++tick) window->onTimerTick();
        QCOMPARE(window->machine().state().pc, 3);
        window->cmdReset->click();  // leaves the divider alone
        window->optClk1->click();
        for (int tick = 0; tick < 5; ++tick) window->onTimerTick();
        QCOMPARE(window->machine().state().pc, 0);
        window->onTimerTick();
        QCOMPARE(window->machine().state().pc, 1);
    }

    void beep_data() {
        QTest::addColumn<int>("out");
        QTest::addColumn<SwitchState>("beepSwitch");
        QTest::addColumn<QString>("lamps");
        QTest::addColumn<int>("beepsPerRefresh");
        QTest::newRow("OUT 8, Beep on") << 8 << SwitchState::On << "●○○○" << 1;
        QTest::newRow("OUT 15, Beep on") << 15 << SwitchState::On << "●●●●" << 1;
        QTest::newRow("OUT 7, Beep on") << 7 << SwitchState::On << "○●●●" << 0;
        QTest::newRow("OUT 8, Beep off") << 8 << SwitchState::Off << "●○○○" << 0;
        QTest::newRow("OUT 8, Beep greyed") << 8 << SwitchState::Greyed << "●○○○" << 0;
    }
    void beep() {
        QFETCH(int, out);
        QFETCH(SwitchState, beepSwitch);
        QFETCH(QString, lamps);
        QFETCH(int, beepsPerRefresh);
        window->switches().beep = beepSwitch;
        window->showSwitches();
        window->machine().setState({0, 0, 0, static_cast<std::int16_t>(out), false});
        window->refreshDisplay();
        window->refreshDisplay();
        QCOMPARE(window->lblOUTP->text(), lamps);
        QCOMPARE(desktop->beeps, 2 * beepsPerRefresh);
    }

    void beepOncePerInstruction() {
        toggleWord(0, 0xA8);  // OUT = 8
        QTest::mouseClick(window->chkBeep, Qt::LeftButton);
        window->optClk2->click();
        for (int tick = 0; tick < 3; ++tick) window->onTimerTick();
        QCOMPARE(desktop->beeps, 3);
    }

    void decToBin_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("ledStyle");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << false << "0000";
        QTest::newRow("5") << 5 << false << "0101";
        QTest::newRow("5 lamps") << 5 << true << "○●○●";
        QTest::newRow("15 lamps") << 15 << true << "●●●●";
        QTest::newRow("16") << 16 << false << "";
    }
    void decToBin() {
        QFETCH(int, value);
        QFETCH(bool, ledStyle);
        QFETCH(QString, text);
        QCOMPARE(window->DecToBin(static_cast<std::int16_t>(value), ledStyle), text);
        QCOMPARE(desktop->messages.size(), value > 15 ? 1u : 0u);
        if (value > 15) {
            QCOMPARE(desktop->messages[0].icon, qzb::Desktop::Icon::None);
            QCOMPARE(desktop->messages[0].text, "DecToBin-Over15");
        }
    }

    void loadShowsSwitchesAndResets() {
        QTemporaryDir folder;
        const std::string path = folder.filePath("greyed.qzb").toStdString();
        {
            std::ofstream file(path, std::ios::binary);
            file << "2\r\n1\r\n";
            for (int line = 3; line <= 128; ++line) file << "0\r\n";
            file << "#FALSE#\r\n#FALSE#\r\n#FALSE#\r\n1\r\n";
        }
        window->machine().setState({5, 3, 2, 1, true});
        desktop->picks.push_back(path);
        window->findChild<QAction*>("Load")->trigger();
        QVERIFY(desktop->messages.empty());
        QCOMPARE(window->chkRom[0]->checkState(), Qt::PartiallyChecked);
        QCOMPARE(window->chkRom[1]->checkState(), Qt::Checked);
        QCOMPARE(window->chkBeep->checkState(), Qt::Checked);
        for (QRadioButton* o : {window->optClk1, window->optClk2, window->optClk3}) QVERIFY(!o->isChecked());
        QCOMPARE(window->machine().state(), MachineState{});
        QCOMPARE(window->lblRegA->text(), "0000");
        window->onTimerTick();
        window->cmdClock->click();
        QCOMPARE(window->machine().state().pc, 0);
    }

    void saveKeepsTheClockRunning() {
        QTemporaryDir folder;
        toggleWord(0, 0x31);  // A = 1
        window->optClk2->click();
        for (int tick = 0; tick < 3; ++tick) window->onTimerTick();
        const MachineState running = window->machine().state();
        desktop->picks.push_back(folder.filePath("saved").toStdString());
        window->findChild<QAction*>("SaveAs")->trigger();
        QVERIFY(desktop->messages.empty());
        QVERIFY(QFileInfo::exists(folder.filePath("saved.qzb")));
        QCOMPARE(window->machine().state(), running);
        QVERIFY(window->Timer1.isActive());
        QVERIFY(window->optClk2->isChecked());
    }

    // Last: it asks the application to quit.
    void closingStopsTheClock() {
        window->optClk2->click();
        window->close();
        QVERIFY(!window->Timer1.isActive());
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
