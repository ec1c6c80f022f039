// SPDX-License-Identifier: MIT
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "common/utf8.h"
#include "reference_model.h"

namespace {

// The expected `run --format csv` output. `bits` holds the 128 switch states as
// '0', '1' or '2'; only '1' is on.
QByteArray modelTrace(const QByteArray& bits, int input, int steps) {
    qzb::MachineState state;
    QByteArray csv = "step,pc,a,b,out,carry\n";
    for (int step = 0; step <= steps; ++step) {
        if (step > 0) {
            int word = 0;
            for (int bit = 0; bit < 8; ++bit) word |= (bits[state.pc * 8 + bit] == '1' ? 1 : 0) << bit;
            state = reference::step(state, word, input);
        }
        csv += QString("%1,%2,%3,%4,%5,%6\n")
                   .arg(step)
                   .arg(state.pc)
                   .arg(state.a)
                   .arg(state.b)
                   .arg(state.out)
                   .arg(int(state.carry))
                   .toLatin1();
    }
    return csv;
}

// A setting file as the panel saves it.
QByteArray settingFile(const QByteArray& bits, const char* clock = "#FALSE#\r\n#FALSE#\r\n#TRUE#\r\n",
                       char beep = '0') {
    QByteArray text;
    for (const char bit : bits) text += QByteArray(1, bit) + "\r\n";
    return text + clock + QByteArray(1, beep) + "\r\n";
}

struct Result {
    int status = -1;
    QByteArray out, err;
};

Result runCli(const QStringList& arguments, const QString& folder,
              const QString& program = QStringLiteral(QZB_CLI_PATH)) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// What xmllint prints for `document` on stdin, stdout and stderr together.
QByteArray xmllint(const QStringList& arguments, const QByteArray& document) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start("xmllint", arguments);
    process.write(document);
    process.closeWriteChannel();
    process.waitForFinished(10000);
    return process.readAll();
}

constexpr int countWords[16] = {0x51, 0x80, 0xF0};

constexpr const char* countSource = "loop: B = B + 1\n  OUT = B\n  JMP loop\n.clock 10hz\n";

QByteArray countBits() {
    QByteArray bits(128, '0');
    for (int address = 0; address < 16; ++address) {
        for (int bit = 0; bit < 8; ++bit)
            bits[address * 8 + bit] = ((countWords[address] >> bit) & 1) != 0 ? '1' : '0';
    }
    return bits;
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

    QString path(const QString& name) const { return folder_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        write("count.s", countSource);
        write("count.qzb", settingFile(countBits()));
        write("bad.s", "B = B + 1\nOUT = A\n");
        write("kept.qzb", "kept");
        write("prog.qzb.s", "A = 1");
        write("upper.QZB", settingFile(countBits()));
        write("broken.qzt", "case \"c\"\n  expect out=0\n  jump 3\n");
        write("notes.qzt", "; no case yet\n");
        write("one.qzt", "case \"c\"\nexpect out=0\n");
        write("empty.qzb", "");
        write("utf16.qzt", QByteArray::fromHex("fffe630061007300650020002200630022000a00"));  // case "c"
        write("doubled.qzb", settingFile(countBits()).replace("\r", "\r\r"));
        QVERIFY(QDir(folder_.path()).mkdir("folder.qzb"));
        QCOMPARE(::mkfifo(qPrintable(path("fifo.qzb")), 0600), 0);
    }

    // Seeded random programs, one switch in twelve greyed, through the real program.
    void tracesMatchTheModel() {
        std::mt19937 random(20261207);
        for (int program = 0; program < 300; ++program) {
            QByteArray bits(128, '0');
            for (char& bit : bits) bit = "000110111112"[random() % 12];
            const int input = static_cast<int>(random() % 16);
            const int steps = static_cast<int>(random() % 64);
            const QString name = QString("random%1.qzb").arg(program);
            write(name, settingFile(bits, "#TRUE#\r\n#FALSE#\r\n#FALSE#\r\n", "012"[program % 3]));
            const QString inputBits = QString::number(input, 2).rightJustified(4, '0');
            const Result result = runCli(
                {"run", name, "--steps", QString::number(steps), "--input", inputBits, "--format", "csv"},
                folder_.path());
            QCOMPARE(result.err, QByteArray());
            QCOMPARE(result.status, 0);
            QCOMPARE(result.out, modelTrace(bits, input, steps));
        }
    }

    // File names of any bytes reach the report through the shell: it is printable UTF-8, still XML with
    // the right counts, and keeps names that differ in a byte that is not text apart.
    void hostileNames() {
        write("plain.qzt", "case \"c\"\nrun 3\nexpect out=1\ncase \"d\"\nexpect out=5\n");
        const char* script =
            R"sh(ff=$(printf 'a\377.s'); fe=$(printf 'a\376.s'); cp count.s "$ff"; cp count.s "$fe"
"$0" test plain.qzt "$ff" "$fe" "$(printf '\033[31m\302\233.s')" --format junit; status=$?
rm "$ff" "$fe"; exit $status)sh";  // Qt cannot remove names that are not UTF-8
        const Result result = runCli({"-c", script, QStringLiteral(QZB_CLI_PATH)}, folder_.path(), "sh");
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.status, 1);
        for (const QByteArray& line : result.out.split('\n'))
            QVERIFY2(qzb::isPrintableText(line.toStdString()), line.toPercentEncoding().constData());
        QCOMPARE(xmllint({"--noout", "-"}, result.out), QByteArray());
        // The two suites apart; cases, failures and errors as counted and as the elements hold them.
        const char* counts =
            "concat(count(//testsuite[@name='a\\xff.s' or @name='a\\xfe.s'][@failures=1]),' "
            "',/testsuites/@tests,"
            "' ',/testsuites/@failures,' ',count(//failure),' ',/testsuites/@errors,' ',count(//error))";
        QCOMPARE(xmllint({"--xpath", counts, "-"}, result.out).trimmed(), QByteArray("2 6 2 2 2 2"));
        QVERIFY(
            result.out.contains("name=\"\\x1b[31m\\xc2\\x9b.s\" tests=\"2\" failures=\"0\" errors=\"2\""));
    }

    // Every row: the arguments, the exit status, what stdout and stderr must show
    // (stderr: a part of its one line) and the setting file a run makes, if any.
    void exitStatuses_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QString>("made");
        QTest::addColumn<QByteArray>("madeBytes");
        const auto row = [](const char* name, const QString& arguments, int status, const QByteArray& out,
                            const char* err, const QString& made = {}, const QByteArray& madeBytes = {}) {
            QTest::newRow(name) << arguments.split(' ', Qt::SkipEmptyParts) << status << QByteArray(out)
                                << QByteArray(err) << made << madeBytes;
        };
        QByteArray oneWord(128, '0');
        oneWord[0] = oneWord[4] = oneWord[5] = '1';  // 0011 0001: A = 1
        row("no command", "", 2, "", "a command is needed: run, test, asm, disasm or link");
        row("steps without a number", "run count.qzb --steps", 2, "", "--steps needs a number of steps");
        row("unknown command", "play count.qzb", 2, "", "unknown command 'play'");
        row("unknown option", "run count.qzb --fast", 2, "", "--fast");
        row("steps octal-looking", "run count.qzb --steps 0x10", 2, "", "--steps: '0x10'");
        row("steps past 10^9", "run count.qzb --steps 1000000001", 2, "", "more than 1000000000 steps");
        row("input 12", "run count.qzb --input 12", 2, "", "--input: '12' is not four binary digits");
        row("format xml", "run count.qzb --format xml", 2, "", "--format: xml not in {text,csv,jsonl} (see");
        row("output not .qzb", "asm count.s -o count.txt", 2, "", "does not end in .qzb");
        row("source ends in .qzb", "asm kept.qzb", 2, "", "name the output with -o");
        row("missing file", "run nothing.qzb", 1, "", "cannot read nothing.qzb: No such file or directory");
        row("FIFO", "run fifo.qzb", 1, "", "cannot read fifo.qzb: not a regular file");
        row("asm of a directory", "asm folder.qzb -o x.qzb", 1, "", "cannot read folder.qzb: Is a directory");
        row("source errors", "asm bad.s -o kept.qzb", 1, "", "bad.s:2:7: OUT can add only B");
        row("into a missing folder", "asm count.s -o folder.qzb/none/x.qzb", 1, "",
            "cannot write folder.qzb/none/x.qzb: No such file or directory");
        row("over a FIFO", "asm count.s -o fifo.qzb", 1, "",
            "qzb-cli: cannot write fifo.qzb: not a regular file\n");
        row("zero steps", "run count.qzb --steps 000 --format csv", 0, "step,pc,a,b,out,carry\n0,0,0,0,0,0\n",
            "");
        row("asm beside the source", "asm count.s", 0, "count.qzb: 3 words, clock 10hz, beep off\n", "",
            "count.qzb", settingFile(countBits(), "#FALSE#\r\n#TRUE#\r\n#FALSE#\r\n"));
        row("asm to a name", "asm prog.qzb.s -o made.qzb", 0, "made.qzb: 1 word, clock manual, beep off\n",
            "", "made.qzb", settingFile(oneWord));
        row("run of a source", "run count.s --steps 4 --format csv", 0, modelTrace(countBits(), 0, 4), "");
        row("run of a .QZB in capitals", "run upper.QZB --steps 4 --format csv", 0,
            modelTrace(countBits(), 0, 4), "");
        row("run of a source with errors", "run bad.s", 1, "", "bad.s:2:7: OUT can add only B");
        row("test-file error", "test broken.qzt count.qzb", 2, "",
            "broken.qzt:3:3: unknown statement 'jump'");
        row("unreadable test file", "test folder.qzb count.qzb", 2, "", "cannot read folder.qzb");
        row("test without a program", "test count.qzt", 2, "", "PROGRAM is required");
        row("test format without a name", "test count.qzt count.qzb --format", 2, "",
            "--format needs text, csv, jsonl or junit (see qzb-cli test --help)");
        row("test with the arguments swapped", "test count.qzb count.s", 2, "",
            "qzb-cli: count.qzb is a program, not a test file; the test file comes first: "
            "qzb-cli test TESTS.qzt PROGRAM...\n");
        row("test with a source first", "test count.s one.qzt", 2, "",
            "qzb-cli: count.s is a program, not a test file");
        row("test file of comments alone", "test notes.qzt count.qzb", 2, "",
            "notes.qzt:1:1: no case in the file");
        row("grading, all passed", "test one.qzt count.qzb count.s", 0,
            "count.qzb: 1 of 1 case passed\n  pass  c\ncount.s: 1 of 1 case passed\n  pass  c\n"
            "2 programs: 2 passed every case, 0 failed, 0 not graded\n",
            "");
        row("grading, some not graded", "test one.qzt count.qzb missing.qzb bad.s", 1,
            "count.qzb: 1 of 1 case passed\n  pass  c\n"
            "missing.qzb: not graded: cannot read missing.qzb: No such file or directory\n"
            "bad.s: not graded: bad.s does not assemble\n  bad.s:2:7: OUT can add only B to its number, not "
            "A\n"
            "3 programs: 1 passed every case, 0 failed, 2 not graded\n",
            "");
        row("grading a file the panel did not write", "test one.qzt empty.qzb", 1,
            "empty.qzb: not graded: empty.qzb is not a setting file as the panel writes it: the file is "
            "empty\n",
            "");
        row("run of a file the panel did not write", "run doubled.qzb --steps 0 --format csv", 0,
            "step,pc,a,b,out,carry\n0,0,0,0,0,0\n",
            "qzb-cli: warning: doubled.qzb is not a setting file as the panel writes it: line 1 is "
            "'1\\x0d'\n");
        row("disasm of a file the panel did not write", "disasm empty.qzb", 0,
            ".clock none\n.beep off\n\n; 00-15: 0000 0000\n",
            "qzb-cli: warning: empty.qzb is not a setting file as the panel writes it: the file is empty\n");
        row("disasm of a source", "disasm prog.qzb.s", 0,
            ".clock manual\n.beep off\n\n    A = 1             ; 00: 0011 0001\n; 01-15: 0000 0000\n", "");
        row("version", "--version", 0, "qzb-cli 1.0.0\n", "");
        row("UTF-16 test file", "test utf16.qzt count.qzb", 2, "",
            "utf16.qzt:1:1: the test file is UTF-16; save it as UTF-8\n");
    }

    // The panel's own arguments: after "--" even "-v" is a file name, so the panel starts and
    // opens it (as "-v.qzb", the extension added) instead of only printing; two files get one
    // line saying why.
    void panelArguments() {
        QTemporaryDir scratch;
        QFile named(scratch.filePath("-v.qzb"));
        QVERIFY(named.open(QIODevice::WriteOnly) && named.write(settingFile(countBits())) > 0);
        named.close();
        const int watch = ::inotify_init1(IN_CLOEXEC);
        const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
        QVERIFY(watch >= 0 && ::inotify_add_watch(watch, qPrintable(named.fileName()), IN_OPEN) >= 0);
        QProcess panel;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        panel.setProcessEnvironment(environment);
        panel.setWorkingDirectory(scratch.path());
        panel.start(QStringLiteral(QZB_PANEL_PATH), {"--", "-v"});
        pollfd opened{watch, POLLIN, 0};
        QVERIFY2(::poll(&opened, 1, 30000) == 1, panel.readAllStandardOutput().constData());
        panel.kill();
        panel.waitForFinished();
        panel.start(QStringLiteral(QZB_PANEL_PATH), {"a.qzb", "b.qzb"});
        QVERIFY(panel.waitForFinished(10000));
        QCOMPARE(panel.exitCode(), 2);
        QVERIFY(panel.readAllStandardError().endsWith("qzb: one setting file at most, not 2\n"));
        // What else a source does shows only in the window (see test_panel); the help names it.
        panel.start(QStringLiteral(QZB_PANEL_PATH), {"--help"});
        QVERIFY(panel.waitForFinished(10000));
        QVERIFY(panel.readAllStandardOutput().contains(
            "FILE           A setting file (.qzb) or an assembly source"));
    }

    void exitStatuses() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QString, made);
        QFETCH(QByteArray, madeBytes);
        const Result result = runCli(arguments, folder_.path());  // a FIFO must not make it wait
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, out);
        if (status == 0 && err.isEmpty()) QCOMPARE(result.err, QByteArray());
        QVERIFY2(result.err.contains(err), result.err.constData());
        QVERIFY2(status != 2 || result.err.count('\n') == 1, "one line for a usage error");
        QCOMPARE(read("kept.qzb"), QByteArray("kept"));
        if (!made.isEmpty()) QCOMPARE(read(made), madeBytes);
        QCOMPARE(read("count.qzb"), made == "count.qzb" ? madeBytes : settingFile(countBits()));
        write("count.qzb", settingFile(countBits()));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
