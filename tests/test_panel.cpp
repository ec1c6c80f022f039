// SPDX-License-Identifier: MIT
#include <sys/stat.h>

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "panel/frm_main.h"
#include "recording_desktop.h"

using qzb::SwitchState;

// A, B, PC, carry, lamps, then the address rows shown red.
const QString zeroed = "0000 0000 0000 0 ○○○○ Address 00";

class TestPanel : public QObject {
    Q_OBJECT
    std::unique_ptr<RecordingDesktop> desktop;
    std::unique_ptr<qzb::frmMain> window;

    QString readouts() {
        QStringList texts;
        for (QLabel* readout :
             {window->lblRegA, window->lblRegB, window->lblPC, window->lblF, window->lblOUTP})
            texts << readout->text();
        for (QLabel* row : window->Label2)
            if (row->palette().color(QPalette::WindowText) == Qt::red) texts << row->text();
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

    void startStateAndTabOrder() {
        QVERIFY(window->optClk3->isChecked());
        for (auto* box : window->findChildren<qzb::SwitchBox*>()) QCOMPARE(box->checkState(), Qt::Unchecked);
        QCOMPARE(readouts(), zeroed);
        QCOMPARE(window->lblOUTP->palette().color(QPalette::WindowText), Qt::red);
        QCOMPARE(QApplication::focusWidget(), window->chkRom[0]);
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->centralWidget()->size(), QSize(400, 445));
        QList<QWidget*> order(window->chkRom.begin() + 1, window->chkRom.end());
        order << window->cmdReset << window->optClk3 << window->cmdClock;
        for (QWidget* next : order << QList<QWidget*>(window->chkInp.begin(), window->chkInp.end())
                                   << window->chkBeep) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        window->optClk2->click();  // Tab enters the options at the selected one
        window->cmdReset->setFocus();
        QTest::keyClick(window->cmdReset, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window->optClk2);
    }

    // Positions are in the client area, so the clock controls inside Frame1 are offset by (0, 328).
    void geometry_data() {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        const auto row = [](const QString& name) -> QTestData& { return QTest::newRow(qPrintable(name)); };
        for (int a = 0; a < 16; ++a) {
            for (int b = 0; b < 8; ++b)
                row(QString("chkRom(%1)").arg(8 * a + b))
                    << QRect(192 + 16 * (7 - b), 56 + 24 * a, 17, 12)
                    << QString("Address %1 bit %2").arg(a, 2, 10, QChar('0')).arg(b);
            row(QString("Label2(%1)").arg(a))
                << QRect(320, 56 + 24 * a, 73, 17) << QString("Address %1").arg(a, 2, 10, QChar('0'));
        }
        for (int b = 0; b < 4; ++b)
            row(QString("chkInp(%1)").arg(b))
                << QRect(88 + 16 * (3 - b), 296, 17, 17) << QString("INP bit %1").arg(b);
        for (int k = 0; k < 8; ++k)
            row(QString("Label9(%1)").arg(k))
                << QRect(96 + 16 * (3 - k % 4), k < 4 ? 280 : 208, 17, 17) << QString::number(k % 4);
        // name x y width height text, comma-separated
        const QString fixed =
            "Label3 192 16 169 17 Program Memory, Label1(0) 192 40 33 17 D7, Label1(1) 304 40 33 17 D0, "
            "Label4 8 48 65 17 RegistorA, lblRegA 80 48 65 17 0000, Label5 8 72 65 17 RegistorB, "
            "lblRegB 80 72 65 17 0000, Label7 8 96 57 17 C Flag, lblF 80 96 25 17 0, "
            "Label6 8 120 89 17 ProgramCounter, lblPC 112 120 49 17 0000, Label8(1) 88 192 65 17 OUTP, "
            "lblOUTP 80 224 81 17 ○○○○, chkBeep 8 240 57 17 Beep, Label8(0) 88 264 65 17 INP, "
            "Frame1 0 328 169 73 Clock Generator, optClk1 8 344 57 17 1Hz, optClk2 8 360 57 17 10Hz, "
            "optClk3 8 376 81 17 Manual →, cmdClock 88 368 65 25 Clock, cmdReset 0 408 169 25 Reset";
        for (const QString& line : fixed.split(", ")) {
            const QStringList f = line.split(' ');
            row(f[0]) << QRect(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt()) << f.mid(5).join(' ');
        }
    }
    void geometry() {
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        auto* control = window->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(control);
        QCOMPARE(QRect(control->mapTo(window->centralWidget(), QPoint()), control->size()), rect);
        // What a screen reader says: the caption or value, and a switch without a caption its place.
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), text);

        // The text fits its box at the font in use, so a font that clips fails here. A check box or option
        // needs its indicator and spacing as well, a button or frame its margins.
        const QString shown = control->property(control->inherits("QGroupBox") ? "title" : "text").toString();
        const QFontMetrics metrics(control->font());
        QSize needed(std::max(metrics.horizontalAdvance(shown), metrics.boundingRect(shown).right() + 1),
                     shown.isEmpty() ? 0 : metrics.height());
        if (control->inherits("QCheckBox") || control->inherits("QRadioButton"))
            needed.setWidth(control->sizeHint().width());
        else if (!control->inherits("QLabel"))
            needed += QSize(8, 4);
        QVERIFY2(needed.width() <= rect.width() && needed.height() <= rect.height(), qPrintable(shown));
    }

    // The Clock Generator frame's top border runs above the first option, through the title's middle.
    void clockFrameBorderClearsTheOptions() {
        auto* frame = window->findChild<QWidget*>("Frame1");
        const QImage picture = frame->grab().toImage();
        const QColor background = frame->palette().color(QPalette::Window);
        int border = 0;  // the first row, right of the title, that is not background
        while (border < picture.height() && picture.pixelColor(150, border) == background) ++border;
        QVERIFY2(border < window->optClk1->y() && border > 0, qPrintable(QString::number(border)));
    }

    // A screen reader meets each caption, then the readout it labels.
    void readoutCaptions() {
        const QString captions =
            "Label4 lblRegA, Label5 lblRegB, Label7 lblF, Label6 lblPC, Label8(1) lblOUTP";
        QAccessibleInterface* client = QAccessible::queryAccessibleInterface(window->centralWidget());
        for (const QString& pair : captions.split(", ")) {
            QAccessibleInterface* caption =
                QAccessible::queryAccessibleInterface(window->findChild<QLabel*>(pair.section(' ', 0, 0)));
            QAccessibleInterface* readout =
                QAccessible::queryAccessibleInterface(window->findChild<QLabel*>(pair.section(' ', 1)));
            const auto labelled = caption->relations(QAccessible::Labelled);
            QVERIFY2(labelled.size() == 1 && labelled[0].first->object() == readout->object(),
                     qPrintable(pair));
            QVERIFY2(client->indexOfChild(caption) < client->indexOfChild(readout), qPrintable(pair));
        }
    }

    // Every address label keeps its own black (red on the PC's row) when the palette around it turns dark.
    void addressColoursOutlastADarkPalette() {
        QPalette dark = window->palette();
        dark.setColor(QPalette::WindowText, Qt::white);
        window->setPalette(dark);
        for (QLabel* row : window->Label2)
            QCOMPARE(row->palette().color(QPalette::WindowText),
                     row == window->Label2[0] ? Qt::red : Qt::black);
    }

    void messageBoxes() {
        QCOMPARE(window->DecToBin(16, false), "");
        window->cmdClock->click();
        window->findChild<QAction*>("About")->trigger();
        QCOMPARE(desktop->messages.size(), 2);
        QCOMPARE(desktop->messages[0], "0DecToBin-Over15");
        QVERIFY(desktop->messages[1].startsWith('1'));  // About carries the information icon
        QCOMPARE(window->switches(), qzb::PanelSwitches{});
        QCOMPARE(window->machine().state(), qzb::MachineState{.pc = 1});
    }

    // File > Load and a setting file named on the command line (`qzb FILE`) go the same way. The folder
    // holds prog.qzb: a greyed bit 0, bit 1 on, 10 Hz and Beep on.
    void load_data() {
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* tag, bool fromMenu, const char* name, const QString& message) {
            QTest::newRow(tag) << fromMenu << QString(name) << message;
        };
        row("menu", true, "prog.qzb", "");
        row("argument", false, "prog.qzb", "");
        row("argument without extension", false, "prog", "");
        row("argument, missing file", false, "absent.qzb", "2File Not Found");
    }
    void load() {
        QFETCH(bool, fromMenu);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QTemporaryDir folder;
        std::ofstream(folder.filePath("prog.qzb").toStdString(), std::ios::binary)
            << "2\r\n1\r\n" + QByteArray("0\r\n").repeated(126).toStdString() +
                   "#FALSE#\r\n#TRUE#\r\n#FALSE#\r\n1\r\n";
        window->machine().setState({5, 3, 2, 1, true});
        if (fromMenu) {
            desktop->pick = folder.filePath(name).toStdString();
            window->findChild<QAction*>("Load")->trigger();
        } else {
            window->openFile(folder.filePath(name));
        }
        QCOMPARE(desktop->messages.join(""), message);
        if (!message.isEmpty()) {  // nothing changed, not even the registers
            QCOMPARE(window->switches(), qzb::PanelSwitches{});
            QVERIFY(window->optClk3->isChecked());
            QCOMPARE(window->machine().state(), (qzb::MachineState{5, 3, 2, 1, true}));
            return;
        }
        QCOMPARE(window->chkRom[0]->checkState(), Qt::PartiallyChecked);
        QCOMPARE(window->chkRom[1]->checkState(), Qt::Checked);
        QCOMPARE(window->chkBeep->checkState(), Qt::Checked);
        QVERIFY(window->optClk2->isChecked() && !window->optClk3->isChecked());
        QCOMPARE(readouts(), zeroed);
        window->onTimerTick();  // runs at the loaded 10 Hz
        QCOMPARE(window->machine().state().pc, 1);
        QTest::mouseClick(window->chkRom[0], Qt::LeftButton);  // greyed counts as off
        QCOMPARE(window->switches().program[0], SwitchState::On);
    }

    // `qzb prog.s`: any name but a setting file's is a source, assembled and loaded as Load loads a
    // file (the input switches stay); its errors, or a source that cannot be read, change nothing.
    void startWithSource_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("message");  // FOLDER stands for the folder's path
        QTest::newRow("source") << "count.s"
                                << QByteArray("loop: B = B + 1\nOUT = B\nJMP loop\n.clock 10hz\n.beep on")
                                << "";
        QTest::newRow("errors")
            << "bad.txt" << QByteArray("B = B - 1\nOUT = A\n")
            << "2FOLDER/bad.txt:1:7: there is no subtraction; add 15 to take 1 away (B = B + 15)\n"
               "FOLDER/bad.txt:2:7: OUT can add only B to its number, not A";
        QString many = "2";
        for (int line = 1; line <= 20; ++line)
            many += QString("FOLDER/many.s:%1:1: unknown instruction 'x'\n").arg(line);
        QTest::newRow("21 errors") << "many.s" << QByteArray("x\n").repeated(21)
                                   << many + "FOLDER/many.s: 1 more errors";
        QTest::newRow("missing") << "absent.s" << QByteArray() << "2File Not Found";
        QTest::newRow("64 KiB") << "big.s" << QByteArray(64 * 1024, ' ')
                                << "2FOLDER/big.s is too large for a QZB source (64 KiB or more)";
    }
    void startWithSource() {
        QFETCH(QString, name);
        QFETCH(QByteArray, source);
        QFETCH(QString, message);
        QTemporaryDir folder;
        if (!source.isEmpty())
            std::ofstream(folder.filePath(name).toStdString(), std::ios::binary) << source.toStdString();
        window->chkInp[2]->click();
        window->machine().setState({5, 3, 2, 1, true});
        const qzb::PanelSwitches before = window->switches();
        window->openFile(folder.filePath(name));
        message.replace("FOLDER", folder.path());
        QCOMPARE(desktop->messages.join(""), message);
        if (!message.isEmpty()) {
            QCOMPARE(window->switches(), before);
            QCOMPARE(window->machine().state(), (qzb::MachineState{5, 3, 2, 1, true}));
            return;
        }
        for (const auto& [address, word] : {std::pair{0, 0x51}, {1, 0x80}, {2, 0xF0}, {3, 0}})
            QCOMPARE(qzb::readProgramWord(window->switches(), address), word);
        QVERIFY(window->optClk2->isChecked() && !window->optClk3->isChecked());
        QCOMPARE(window->chkBeep->checkState(), Qt::Checked);
        QCOMPARE(window->chkInp[2]->checkState(), Qt::Checked);
        QCOMPARE(readouts(), zeroed);
    }

    // SaveAs over a FIFO asks nothing, says it cannot write and leaves the FIFO as it was.
    void saveAsRefusesAFifo() {
        QTemporaryDir folder;
        const QString fifo = folder.filePath("fifo.qzb");
        QCOMPARE(::mkfifo(qPrintable(fifo), 0600), 0);
        desktop->pick = fifo.toStdString();
        window->findChild<QAction*>("SaveAs")->trigger();
        QCOMPARE(desktop->messages, QStringList({"2書き込めません。"}));
        struct stat status {};
        QVERIFY(::lstat(qPrintable(fifo), &status) == 0 && S_ISFIFO(status.st_mode));
    }

    // Presses through the window's own event path at every pixel column of a grid row and of the input
    // row's top line: the switch drawn at that column toggles, in a shared column the right one, whose box
    // is drawn there, and nothing outside the switches. Labels overlapping a switch's edge give way.
    void pressesReachTheSwitchDrawnThere() {
        const auto toggled = [&](QPoint at) {
            const qzb::PanelSwitches before = window->switches();
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                              window->centralWidget()->mapTo(window.get(), at));
            QStringList names;
            for (int i = 0; i < 128; ++i)
                if (window->switches().program[i] != before.program[i]) names << QString("chkRom(%1)").arg(i);
            for (int i = 0; i < 4; ++i)
                if (window->switches().input[i] != before.input[i]) names << QString("chkInp(%1)").arg(i);
            return names.join(' ');
        };
        for (int x = 188; x <= 324; ++x) {
            const int column = (x - 192) / 16;
            const QString expected =
                x < 192 || x > 320 ? "" : QString("chkRom(%1)").arg(24 + 7 - std::min(column, 7));
            QCOMPARE(toggled(QPoint(x, 56 + 24 * 3 + 6)), expected);
        }
        for (int x = 84; x <= 156; ++x) {
            const int column = (x - 88) / 16;
            const QString expected =
                x < 88 || x > 152 ? "" : QString("chkInp(%1)").arg(3 - std::min(column, 3));
            QCOMPARE(toggled(QPoint(x, 296)), expected);
        }
    }

    // A press anywhere in a switch's rectangle toggles it: here at the three corners away from its box.
    void wholeRectangleToggles() {
        for (qzb::SwitchBox* box : {window->chkRom[9], window->chkInp[2], window->chkBeep}) {
            QString states;
            const int right = box->width() - 1, bottom = box->height() - 1;
            for (QPoint corner : {QPoint(0, bottom), QPoint(right, bottom), QPoint(right, 0)}) {
                QTest::mouseClick(box, Qt::LeftButton, {}, corner);
                states += box->isChecked() ? '1' : '0';
            }
            QCOMPARE(states, "101");
        }
    }

    // Tests run as root, to whom permission bits do not forbid writing; a missing folder and a
    // file in place of a folder cannot be written by anyone.
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
