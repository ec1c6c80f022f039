// SPDX-License-Identifier: MIT
// What only the real window shows: where each control sits, what a press at a window point reaches,
// the focus, the icon, the messages and the dialogs through the desktop seam. The behaviour behind the
// controls is the panel session's, tested in test_front_panel; test_monkey runs both together, from
// the start state on, saves included.
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include "front_panel/panel_layout.h"
#include "panel/frm_main.h"
#include "recording_desktop.h"

class TestPanel : public QObject {
    Q_OBJECT
    std::unique_ptr<RecordingDesktop> desktop;
    std::unique_ptr<qzb::frmMain> window;

    template <typename T = QWidget>
    T* control(const QString& name) const {
        return window->findChild<T*>(name);
    }
    qzb::SwitchBox* box(const QString& name) const { return control<qzb::SwitchBox>(name); }
    QString focused() const { return QApplication::focusWidget()->objectName(); }

    // A, B, PC, carry, lamps, then the address rows shown red.
    QString readouts() const {
        QStringList texts;
        for (const char* name : {"lblRegA", "lblRegB", "lblPC", "lblF", "lblOUTP"})
            texts << control<QLabel>(name)->text();
        for (int row = 0; row < 16; ++row) {
            const QLabel* label = control<QLabel>(QString("Label2(%1)").arg(row));
            if (label->palette().color(QPalette::WindowText) == Qt::red) texts << label->text();
        }
        return texts.join(' ');
    }

private slots:
    void init() {
        desktop = std::make_unique<RecordingDesktop>();
        window = std::make_unique<qzb::frmMain>(*desktop);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void cleanup() { window.reset(); }

    void sizeAndTabOrder() {
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->centralWidget()->size(), QSize(400, 445));
        QStringList order;
        for (int i = 0; i < 128; ++i) order << QString("chkRom(%1)").arg(i);
        order << QString("cmdReset optClk3 cmdClock chkInp(0) chkInp(1) chkInp(2) chkInp(3) chkBeep")
                     .split(' ');
        QCOMPARE(focused(), order.takeFirst());
        for (const QString& next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(focused(), next);
        }
        control<QRadioButton>("optClk2")->click();  // Tab enters the options at the selected one
        control("cmdReset")->setFocus();
        QTest::keyClick(control("cmdReset"), Qt::Key_Tab);
        QCOMPARE(focused(), "optClk2");
    }

    // Every control of the layout table stands at its rectangle inside the client area, is the only one
    // with its role, shows its whole text (a check box or option needs its indicator and spacing as well,
    // a button or frame its margins), and tells a screen reader what it is; no two switches take a press
    // at the same pixel, and a press at the middle of a control reaches it. The rectangles come from the
    // table, which a few of the original panel's corners anchor.
    void geometry() {
        const QWidget* client = window->centralWidget();
        std::map<std::string, QRect> placed;
        std::set<std::tuple<int, int, int, int, int>> roles;
        std::vector<QRect> switchPresses;
        for (const qzb::layout::Control& table : qzb::layout::controls()) {
            const QString name = QString::fromStdString(table.name);
            const QWidget* widget = control(name);
            QVERIFY2(widget, qPrintable(name));
            const QRect rect(widget->mapTo(client, QPoint()), widget->size());
            const QPoint origin = table.parent.empty() ? QPoint() : placed.at(table.parent).topLeft();
            QCOMPARE(
                rect,
                QRect(table.rect.x, table.rect.y, table.rect.width, table.rect.height).translated(origin));
            placed[table.name] = rect;
            QVERIFY2(QRect(QPoint(), client->size()).contains(rect), qPrintable(name));
            const qzb::layout::Role& role = table.role;
            if (role.is != qzb::layout::Role::Caption) {
                QVERIFY2(roles
                             .emplace(role.is, role.address, role.bit, static_cast<int>(role.option),
                                      static_cast<int>(role.readout))
                             .second,
                         qPrintable(name));
            }
            if (widget->focusPolicy() != Qt::NoFocus) {
                const QString said = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(widget))
                                         ->text(QAccessible::Name);
                QCOMPARE(said, QString::fromStdString(table.accessibleName.empty() ? table.text
                                                                                   : table.accessibleName));
                QCOMPARE(client->childAt(rect.center()), widget);
            }
            if (table.kind == qzb::layout::Kind::CheckBox) {
                const QRect press(rect.topLeft(), QSize(table.pressWidth, rect.height()));
                for (const QRect& other : switchPresses) QVERIFY2(!other.intersects(press), qPrintable(name));
                switchPresses.push_back(press);
            }
            const QString shown =
                widget->property(widget->inherits("QGroupBox") ? "title" : "text").toString();
            const QFontMetrics metrics(widget->font());
            QSize needed(std::max(metrics.horizontalAdvance(shown), metrics.boundingRect(shown).right() + 1),
                         shown.isEmpty() ? 0 : metrics.height());
            if (widget->inherits("QCheckBox") || widget->inherits("QRadioButton"))
                needed.setWidth(widget->sizeHint().width());
            else if (!widget->inherits("QLabel"))
                needed += QSize(8, 4);
            QVERIFY2(needed.width() <= rect.width() && needed.height() <= rect.height(), qPrintable(name));
        }
        for (const auto& [name, rect] : {std::pair{"chkRom(0)", QRect(304, 56, 17, 12)},
                                         {"chkRom(127)", QRect(192, 416, 17, 12)},
                                         {"chkInp(3)", QRect(88, 296, 17, 17)},
                                         {"Label2(15)", QRect(320, 416, 73, 17)},
                                         {"lblOUTP", QRect(80, 224, 81, 17)},
                                         {"cmdClock", QRect(88, 368, 65, 25)},
                                         {"cmdReset", QRect(0, 408, 169, 25)}})
            QCOMPARE(placed.at(name), rect);
    }

    // The Clock Generator frame's top border runs above the first option, through the title's middle.
    void clockFrameBorderClearsTheOptions() {
        auto* frame = control("Frame1");
        const QImage picture = frame->grab().toImage();
        int border = 0;  // the first row, right of the title, that is not background
        while (border < picture.height() &&
               picture.pixelColor(150, border) == frame->palette().color(QPalette::Window))
            ++border;
        QVERIFY2(border < control("optClk1")->y() && border > 0, qPrintable(QString::number(border)));
    }

    // A screen reader meets each caption, then the readout it labels.
    void readoutCaptions() {
        QAccessibleInterface* client = QAccessible::queryAccessibleInterface(window->centralWidget());
        for (const QString& pair :
             QString("Label4 lblRegA, Label5 lblRegB, Label7 lblF, Label6 lblPC, Label8(1) lblOUTP")
                 .split(", ")) {
            QAccessibleInterface* caption =
                QAccessible::queryAccessibleInterface(control(pair.section(' ', 0, 0)));
            QAccessibleInterface* readout =
                QAccessible::queryAccessibleInterface(control(pair.section(' ', 1)));
            const auto labelled = caption->relations(QAccessible::Labelled);
            QVERIFY2(labelled.size() == 1 && labelled[0].first->object() == readout->object(),
                     qPrintable(pair));
            QVERIFY2(client->indexOfChild(caption) < client->indexOfChild(readout), qPrintable(pair));
        }
    }

    // The lamps are red, and every address label keeps its own black (red on the PC's row) when the
    // palette around it turns dark; a step moves the red.
    void colours() {
        QPalette dark = window->palette();
        dark.setColor(QPalette::WindowText, Qt::white);
        window->setPalette(dark);
        control<QPushButton>("cmdClock")->click();
        QCOMPARE(control("lblOUTP")->palette().color(QPalette::WindowText), Qt::red);
        for (int row = 0; row < 16; ++row)
            QCOMPARE(control(QString("Label2(%1)").arg(row))->palette().color(QPalette::WindowText),
                     row == 1 ? Qt::red : Qt::black);
    }

    void messageBoxes() {
        QCOMPARE(window->DecToBin(16, false), "");
        window->findChild<QAction*>("About")->trigger();
        QCOMPARE(desktop->messages.size(), 2);
        QCOMPARE(desktop->messages[0], "0DecToBin-Over15");
        QVERIFY(desktop->messages[1].startsWith("1QZB "));  // About carries the information icon
    }

    // File > Load and a setting file named on the command line (`qzb FILE`) go the same way, and so does a
    // source (`qzb prog.s`), assembled in memory. What they read is shown, the input switches stay and the
    // readouts are redrawn zeroed; a failure shows its message and changes nothing, not even the registers.
    void load() {
        const std::pair<const char*, const char*> rows[] = {
            {"menu prog.qzb", ""},
            {"prog", ""},
            {"count.s", ""},
            {"absent.s", "2File Not Found"},
            {"bad.s",
             "2FOLDER/bad.s:1:7: there is no subtraction; add 15 to take 1 away (B = B + 15)\n"
             "FOLDER/bad.s:2:7: OUT can add only B to its number, not A"},
            {"big.s", "2FOLDER/big.s is too large for a QZB source (64 KiB or more)"}};
        for (const auto& [how, message] : rows) {
            init();
            QTemporaryDir folder;
            // A greyed bit 0, bit 1 on, 10 Hz and Beep on.
            const std::string file = "2\r\n1\r\n" + QByteArray("0\r\n").repeated(126).toStdString() +
                                     "#FALSE#\r\n#TRUE#\r\n#FALSE#\r\n1\r\n";
            for (const auto& [written, text] : {std::pair{"prog.qzb", file},
                                                {"bad.s", "B = B - 1\nOUT = A\n"},
                                                {"count.s", "B = B + 1\n.clock 10hz\n.beep on"},
                                                {"big.s", std::string(64 * 1024, ' ')}})
                std::ofstream(folder.filePath(written).toStdString(), std::ios::binary) << text;
            box("chkInp(2)")->click();
            window->session().setState({5, 3, 2, 1, true});
            const qzb::PanelSwitches before = window->session().switches();
            const QString name = QString(how).section(' ', -1);
            if (name != how) {
                desktop->pick = folder.filePath(name).toStdString();
                window->findChild<QAction*>("Load")->trigger();
            } else {
                window->openFile(folder.filePath(name));
            }
            QCOMPARE(desktop->messages.join(""), QString(message).replace("FOLDER", folder.path()));
            if (*message != '\0') {
                QCOMPARE(window->session().switches(), before);
                QCOMPARE(window->session().state(), (qzb::MachineState{5, 3, 2, 1, true}));
                continue;
            }
            const bool source = name.endsWith(".s");
            QCOMPARE(box("chkRom(0)")->checkState(), source ? Qt::Checked : Qt::PartiallyChecked);
            QCOMPARE(box("chkRom(1)")->checkState(), source ? Qt::Unchecked : Qt::Checked);
            QCOMPARE(box("chkBeep")->checkState(), Qt::Checked);
            QCOMPARE(box("chkInp(2)")->checkState(), Qt::Checked);
            QVERIFY(control<QRadioButton>("optClk2")->isChecked() &&
                    !control<QRadioButton>("optClk3")->isChecked());
            QCOMPARE(readouts(), "0000 0000 0000 0 ○○○○ Address 00");
        }
    }

    // Presses through the window's own event path at every pixel column of a grid row and of the input
    // row's top line: the switch drawn at that column toggles, in a shared column the right one, whose box
    // is drawn there, and nothing outside the switches. Labels overlapping a switch's edge give way.
    void pressesReachTheSwitchDrawnThere() {
        const auto boxes = window->findChildren<qzb::SwitchBox*>();
        const auto check = [&](int y, int first, int last, const QString& columns) {
            for (int x = first; x <= last; ++x) {
                QString expected, toggled;
                for (const QString& column : columns.split(", "))
                    if (x >= column.section(' ', 0, 0).toInt() && x <= column.section(' ', 0, 0).toInt() + 16)
                        expected = column.section(' ', 1);
                QList<Qt::CheckState> before;
                for (const auto* box : boxes) before << box->checkState();
                QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                                  window->centralWidget()->mapTo(window.get(), QPoint(x, y)));
                for (qsizetype i = 0; i < boxes.size(); ++i)
                    if (boxes[i]->checkState() != before[i]) toggled += boxes[i]->objectName();
                QCOMPARE(toggled, expected);
            }
        };
        // Where each column's switch starts, left to right, in address 3's row and in the input row.
        check(134, 188, 324,
              "192 chkRom(31), 208 chkRom(30), 224 chkRom(29), 240 chkRom(28), 256 chkRom(27), "
              "272 chkRom(26), 288 chkRom(25), 304 chkRom(24)");
        check(296, 84, 156, "88 chkInp(3), 104 chkInp(2), 120 chkInp(1), 136 chkInp(0)");
        // Beep takes a press anywhere in its rectangle too, here at the three corners away from its box.
        QString states;
        for (QPoint corner : {QPoint(0, 16), QPoint(56, 16), QPoint(56, 0)}) {
            QTest::mouseClick(box("chkBeep"), Qt::LeftButton, {}, corner);
            states += box("chkBeep")->isChecked() ? '1' : '0';
        }
        QCOMPARE(states, "101");
    }

    // Tests run as root, to whom permission bits do not forbid writing; a missing folder and a file in
    // place of a folder cannot be written by anyone.
    void dialogStartFolder() {
        QTemporaryDir folder;
        std::ofstream(folder.filePath("file").toStdString()) << "x";
        const QString documents = folder.filePath("Documents"), home = "/home/user";
        QVERIFY(QDir(folder.path()).mkdir("Documents"));
        QCOMPARE(qzb::dialogStartFolder(folder.path(), documents, home), folder.path());
        QCOMPARE(qzb::dialogStartFolder(folder.filePath("missing"), documents, home), documents);
        QCOMPARE(qzb::dialogStartFolder(folder.filePath("file"), documents, home), documents);
        QCOMPARE(qzb::dialogStartFolder(folder.filePath("file"), folder.filePath("missing"), home), home);
    }

    // Each size of the window's icon is drawn for it, not scaled from another, and shows the red output
    // lamp; a picture missing from the resource would leave the title bar without an icon and no message.
    void icon() {
        for (const int size : {16, 32, 48, 64}) {
            QVERIFY(window->windowIcon().availableSizes().contains(QSize(size, size)));
            const QImage image = window->windowIcon().pixmap(QSize(size, size)).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            bool red = false;
            for (int i = 0; i < size * size; ++i) {
                const QColor c = image.pixelColor(i % size, i / size);
                red = red || (c.alpha() == 255 && c.red() > 200 && c.green() < 80 && c.blue() < 80);
            }
            QVERIFY2(red, qPrintable(QString::number(size)));
        }
    }

    // Last: both ask the application to quit.
    void endAndCloseStopTheClock() {
        window->findChild<QAction*>("End")->trigger();
        QVERIFY(!window->Timer1.isActive());
        window->Timer1.start();
        window->close();
        QVERIFY(!window->Timer1.isActive());
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
