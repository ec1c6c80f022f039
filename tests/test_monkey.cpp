// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <fstream>
#include <functional>

#include "panel/frm_main.h"
#include "recording_desktop.h"
#include "reference_model.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

using namespace qzb;

namespace {

// A button's own hit test decides whether a click at a point presses it.
struct HitTest : QAbstractButton {
    using QAbstractButton::hitButton;
};

void toggle(SwitchState& state) {
    state = state == SwitchState::On ? SwitchState::Off : SwitchState::On;
}

QString binary(int nibble) {
    return QString::number(nibble, 2).rightJustified(4, '0');
}

// The program, input and Beep switches' states, then the clock options, one digit each.
QString describe(const PanelSwitches& panel) {
    QString text;
    for (SwitchState bit : panel.program) text += QChar('0' + int(bit));
    for (SwitchState bit : panel.input) text += QChar('0' + int(bit));
    const ClockMode& c = panel.clock;
    return text + QString::asprintf("%d%d%d%d", int(panel.beep), c.hz1, c.hz10, c.manual);
}

// What the panel should hold, fed with the same events: the switches, the registers stepped through the
// reference table, the 1 Hz divider and the beeps heard.
struct Shadow {
    PanelSwitches switches;
    MachineState regs;
    int divider = 0, beeps = 0, steps = 0;

    void step() {
        int word = 0, input = 0;
        for (int bit = 0; bit < 8; ++bit)
            word |= (switches.program[regs.pc * 8 + bit] == SwitchState::On) << bit;
        for (int bit = 0; bit < 4; ++bit) input |= (switches.input[bit] == SwitchState::On) << bit;
        regs = reference::step(regs, word, input);
        beeps += switches.beep == SwitchState::On && (regs.out & 8) != 0;
        ++steps;
    }
    void tick() {
        if (switches.clock.hz10 || (switches.clock.hz1 && ++divider % 10 == 0)) step();
    }
};

}  // namespace

class TestMonkey : public QObject {
    Q_OBJECT
    RecordingDesktop desktop;
    std::unique_ptr<frmMain> window;
    QTemporaryDir folder;
    Shadow shadow;
    QStringList messages;  // the messages the current event should show
    QString fileProblem;
    QList<QAbstractButton*> controls;  // every one a click or Space presses, the grid first
    QHash<const QWidget*, std::function<void()>> pressed;  // what pressing each does to the shadow
    QList<QCheckBox*> switchBoxes;                         // the grid, the input switches, Beep
    QList<QRadioButton*> options;
    QList<QLabel*> readoutLabels;  // A, B, PC, carry, lamps, then the address rows

    // The control named `name`, and what pressing it should do.
    template <typename T>
    T* find(const QString& name, std::function<void()> press) {
        T* found = window->findChild<T*>(name);
        controls << found;
        pressed.insert(found, std::move(press));
        return found;
    }
    void press(const QWidget* control) {
        if (pressed.contains(control)) pressed.value(control)();
    }
    QString path(const QString& name) const { return folder.filePath(name); }

    // Each part of the panel as the window shows it (and the switches as the session holds them), next
    // to the shadow's. The readouts show every register.
    QString mismatch() const {
        const MachineState& r = shadow.regs;
        QString shown;  // as describe() writes it
        for (const QCheckBox* box : switchBoxes) shown += "021"[box->checkState()];
        for (const QRadioButton* option : options) shown += option->isChecked() ? '1' : '0';
        QStringList readouts, expected{binary(r.a), binary(r.b), binary(r.pc), r.carry ? "1" : "0",
                                       binary(r.out).replace('1', u'●').replace('0', u'○')};
        for (const QLabel* label : readoutLabels) {
            const QColor colour = label->palette().color(QPalette::WindowText);
            readouts << label->text() + (label->text().startsWith("Address") && colour != Qt::black
                                             ? " " + colour.name()
                                             : "");
        }
        for (int row = 0; row < 16; ++row)
            expected << QString("Address %1%2").arg(row / 10).arg(row % 10) + (row == r.pc ? " #ff0000" : "");
        const std::tuple<const char*, QString, QString> checked[] = {
            {"switches shown", shown, describe(shadow.switches)},
            {"switch record", describe(window->session().switches()), describe(shadow.switches)},
            {"readouts", readouts.join(", "), expected.join(", ")},
            {"beeps", QString::number(desktop.beeps), QString::number(shadow.beeps)},
            {"messages", desktop.messages.join(" | "), messages.join(" | ")},
            {"focus on a control", controls.contains(QApplication::focusWidget()) ? "yes" : "no", "yes"},
            {"files", fileProblem, ""}};
        for (const auto& [part, seen, wanted] : checked)
            if (seen != wanted) return QString("%1: %2\n  expected %3").arg(part, seen, wanted);
        return {};
    }

    // A press at a random point of a random control, through the window's own event path, reaches the
    // control whose rectangle holds the point (of two sharing a pixel column the right one, of two sharing
    // a row the lower one); then that control's own hit test decides.
    QString click(QRandomGenerator& rng) {
        QAbstractButton* aimed =
            controls[rng.bounded(4) == 0 ? rng.bounded(128, int(controls.size())) : rng.bounded(128)];
        QWidget* client = window->centralWidget();
        const QPoint at =
            aimed->mapTo(client, QPoint(rng.bounded(aimed->width()), rng.bounded(aimed->height())));
        QAbstractButton* reached = aimed;
        for (QAbstractButton* other : controls) {
            const QPoint corner = other->mapTo(client, QPoint()), best = reached->mapTo(client, QPoint());
            if (QRect(corner, other->size()).contains(at) &&
                std::pair(corner.x(), corner.y()) > std::pair(best.x(), best.y()))
                reached = other;
        }
        const QPoint inside = reached->mapFrom(client, at);
        const bool hit = (reached->*&HitTest::hitButton)(inside);
        if (hit) press(reached);
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, client->mapTo(window.get(), at));
        return QString::asprintf("%s %s at (%d,%d)", hit ? "click" : "miss",
                                 qPrintable(reached->objectName()), inside.x(), inside.y());
    }

    QString key(Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        if (key == Qt::Key_Space) press(focus);
        QTest::keyClick(focus, key);
        return QString(key == Qt::Key_Space ? "Space on " : "Tab from ") + focus->objectName();
    }

    // Every message a file command can end with, among loads (of files as SaveAs writes them, sometimes
    // cut short) and saves: the window must show what was read, with the machine reset, and save what it
    // shows. What the reader makes of odd bytes and which names are refused are other suites' business.
    QString load(QRandomGenerator& rng) {
        const QString name = QStringList{"", "gen.qzb", "missing.qzb", "prog.txt"}[rng.bounded(4)];
        if (name == "gen.qzb") {
            PanelSwitches panel;
            for (SwitchState& bit : panel.program) bit = SwitchState(rng.bounded(3));
            panel.clock = clockModeOf(ClockOption(rng.bounded(4)));
            panel.beep = SwitchState(rng.bounded(3));
            const std::string text = writeSettingFile(panel);
            std::ofstream(path(name).toStdString(), std::ios::binary)
                << (rng.bounded(4) == 0 ? text.substr(0, rng.bounded(int(text.size()))) : text);
            loadSettingFile(path(name).toStdString(), shadow.switches);
            shadow.regs = {};
        }
        if (name == "prog.txt")
            messages << "2無効なファイルが選択されました。ファイルはロードされませんでした。";
        if (name == "missing.qzb") messages << "2File Not Found";
        desktop.pick = name.isEmpty() ? std::nullopt : std::optional(path(name).toStdString());
        window->onLoad();
        return "Load " + name;
    }

    QString saveAs(QRandomGenerator& rng) {
        const QString name = QStringList{"", "saved.qzb", "other.txt", "dir.qzb"}[rng.bounded(4)];
        if (name == "other.txt")
            messages << "2無効なファイルが選択されました。ファイルは保存されませんでした。";
        // Asked before replacing, and the recording desktop agrees.
        if (name == "saved.qzb" && QFileInfo::exists(path(name))) messages << "?" + path(name);
        if (name == "dir.qzb") messages << "2書き込めません。";
        desktop.pick = name.isEmpty() ? std::nullopt : std::optional(path(name).toStdString());
        window->onSaveAs();
        QFile saved(path(name));
        if (name == "saved.qzb" && (!saved.open(QIODevice::ReadOnly) ||
                                    saved.readAll().toStdString() != writeSettingFile(shadow.switches)))
            fileProblem = "the saved file is not the switches";
        return "SaveAs " + name;
    }

    QString randomEvent(QRandomGenerator& rng) {
        const int kind = rng.bounded(1000);
        if (kind < 450) return click(rng);
        if (kind < 530) return key(Qt::Key_Tab);
        if (kind < 630) return key(Qt::Key_Space);
        if (kind < 990) {
            shadow.tick();
            window->onTimerTick();
            return "tick@" + QString::fromLatin1(clockName(shadow.switches.clock));
        }
        return kind < 995 ? load(rng) : saveAs(rng);
    }

private slots:
    void initTestCase() {
        window = std::make_unique<frmMain>(desktop);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->Timer1.stop();  // the stream ticks the clock itself, so a run repeats exactly
        PanelSwitches& s = shadow.switches;
        for (std::size_t i = 0; i < s.program.size(); ++i)
            switchBoxes << find<QCheckBox>(QString("chkRom(%1)").arg(i), [&s, i] { toggle(s.program[i]); });
        for (std::size_t i = 0; i < s.input.size(); ++i)
            switchBoxes << find<QCheckBox>(QString("chkInp(%1)").arg(i), [&s, i] { toggle(s.input[i]); });
        switchBoxes << find<QCheckBox>("chkBeep", [&s] { toggle(s.beep); });
        options << find<QRadioButton>("optClk1", [&s] { s.clock.select1Hz(); })
                << find<QRadioButton>("optClk2", [&s] { s.clock.select10Hz(); })
                << find<QRadioButton>("optClk3", [&s] { s.clock.selectManual(); });
        find<QPushButton>("cmdClock", [this] {
            if (shadow.switches.clock.manual) shadow.step();
        });
        find<QPushButton>("cmdReset", [this] { shadow.regs = {}; });
        for (const char* name : {"lblRegA", "lblRegB", "lblPC", "lblF", "lblOUTP"})
            readoutLabels << window->findChild<QLabel*>(name);
        for (int row = 0; row < 16; ++row)
            readoutLabels << window->findChild<QLabel*>(QString("Label2(%1)").arg(row));
    }

    void randomEvents() {
        // One fixed stream by default, so that CI judges every change on the same events.
        const quint32 seed = qEnvironmentVariable("QZB_MONKEY_SEED", "20261207").toUInt();
        const int count = qEnvironmentVariable("QZB_MONKEY_EVENTS", "100000").toInt();
        qInfo("seed %u, %d events; QZB_MONKEY_SEED and QZB_MONKEY_EVENTS repeat a run", seed, count);
        QRandomGenerator rng(seed);
        std::ofstream(path("prog.txt").toStdString()) << writeSettingFile({});
        QVERIFY(QDir(folder.path()).mkdir("dir.qzb"));
        QCOMPARE(mismatch(), QString());
        std::deque<QString> recent;
        for (int event = 1; event <= count; ++event) {
            recent.push_back(randomEvent(rng));
            if (recent.size() > 8) recent.pop_front();
            if (const QString problem = mismatch(); !problem.isEmpty())
                QFAIL(qPrintable(QString("seed %1, event %2: %3\nlast events: %4")
                                     .arg(seed)
                                     .arg(event)
                                     .arg(problem, QStringList(recent.begin(), recent.end()).join(", "))));
            desktop.messages.clear();
            messages.clear();
        }
        qInfo("%d instructions, %d beeps", shadow.steps, shadow.beeps);
    }

    void cleanupTestCase() { window.reset(); }
};

QTEST_MAIN(TestMonkey)
#include "test_monkey.moc"
