// SPDX-License-Identifier: MIT
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "grade/classroom.h"
#include "grade/report.h"

namespace {

// A setting file as the panel saves it, Manual selected. `bits` holds the 128 switch states as '0', '1' or
// '2'.
QByteArray settingFile(const QByteArray& bits) {
    QByteArray text;
    for (const char bit : bits) text += QByteArray(1, bit) + "\r\n";
    return text + "#FALSE#\r\n#FALSE#\r\n#TRUE#\r\n0\r\n";
}

// B = B + 1, OUT = B, JMP 0.
const QByteArray countBits =
    "10001010"
    "00000001"
    "00001111" +
    QByteArray(104, '0');

struct Result {
    int status = -1;
    QByteArray out, err;
};

}  // namespace

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir folder_;

    Result run(const QStringList& arguments, const QString& program = QZB_CLI_PATH) {
        QProcess process;
        process.setWorkingDirectory(folder_.path());
        process.start(program, arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    void write(const QString& name, const QByteArray& bytes) {
        QFile file(folder_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const QString& name) const {
        QFile file(folder_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        qputenv("QT_QPA_PLATFORM", "offscreen");  // for the panel
        write("count.s", "loop: B = B + 1\n  OUT = B\n  JMP loop\n.clock 10hz\n");
        write("count.qzb", settingFile(countBits));
        write("bad.s", "B = B + 1\nOUT = A\n");
        write("kept.qzb", "kept");
        write("prog.qzb.s", "A = 1");
        write("upper.QZB", settingFile(countBits));
        write("notes.qzt", "; no case yet\n");
        write("notes\x1b.qzt", "; no case yet\n");
        write("bad\x1b.s", "B = B + 1\nOUT = A\n");
        write("one.qzt", "case \"c\"\nexpect out=0\n");
        write("empty.qzb", "");
        write("doubled.qzb", settingFile(countBits).replace("\r", "\r\r"));
        QVERIFY(QDir(folder_.path()).mkdir("folder.qzb"));
        QCOMPARE(::mkfifo(qPrintable(folder_.filePath("fifo.qzb")), 0600), 0);
    }

    // Every row: the arguments, the exit status, a part of stderr and stdout exactly; a usage error is told
    // in the program's own words, whatever the argument library's are. A usage error (2) is one line; a
    // success says nothing on stderr unless the row does; no run changes a file it does not make, and a FIFO
    // must not make one wait.
    void exitStatuses() {
        const auto row = [this](const char* arguments, int status, const QByteArray& err,
                                const QByteArray& out = {}) {
            const Result result = run(QString(arguments).split(' ', Qt::SkipEmptyParts));
            QVERIFY2(
                result.status == status && result.out == out && result.err.contains(err) &&
                    (status != 2 || result.err.count('\n') == 1) &&
                    (status != 0 || !err.isEmpty() || result.err.isEmpty()) && read("kept.qzb") == "kept" &&
                    read("count.qzb") == settingFile(countBits),
                qPrintable(
                    QString("%1: %2\n%3%4").arg(arguments).arg(result.status).arg(result.out, result.err)));
        };
        const QByteArray zeroTrace = "step,pc,a,b,out,carry\n0,0,0,0,0,0\n";
        const QByteArray notAsWritten = " is not a setting file as the panel writes it: ";
        row("", 2, "a command is needed: run, test, asm, disasm, link or gradescope");
        row("gradescope one.qzt -o", 2,
            "-o needs the name of the file to write (see qzb-cli gradescope --help)");
        row("gradescope notes.qzt -o kept.qzb", 2, "notes.qzt:1:1: no case in the file");
        row("gradescope one.qzt -o ./one.qzt", 2, "-o names the test file itself");  // one.qzt is read below
        row("gradescope one.qzt -o made.zip", 0, "",
            "made.zip: a Gradescope autograder for one.qzt, 1 case worth 1 point\n");
        row("run count.qzb --steps", 2, "--steps needs a number of steps");
        row("play count.qzb", 2, "unknown command 'play'");
        row("run count.qzb --fast", 2, "unexpected argument '--fast' (see qzb-cli run --help)");
        row("run count.qzb one two", 2, "unexpected argument 'one'");
        row("run --steps 1 --steps 2 count.qzb", 2, "--steps is given more than once");
        row("run count.qzb --steps 0x10", 2, "'0x10' is not a number of steps");
        row("run count.qzb --steps 1000000001", 2, "more than 1000000000 steps");
        row("run count.qzb --input 12", 2, "'12' is not four binary digits");
        row("run count.qzb --format xml", 2, "'xml' is not text, csv, jsonl or svg (see qzb-cli run --help)");
        row("asm count.s -o count.txt", 2, "does not end in .qzb");
        row("asm kept.qzb", 2, "name the output with -o");
        row("run nothing.qzb", 1, "cannot read nothing.qzb: No such file or directory");
        row("asm folder.qzb -o x.qzb", 1, "cannot read folder.qzb: Is a directory");
        row("asm count.s -o folder.qzb/none/x.qzb", 1, "cannot write folder.qzb/none/x.qzb: No such file");
        row("asm count.s -o fifo.qzb", 1, "qzb-cli: cannot write fifo.qzb: not a regular file\n");
        row("run count.qzb --steps 000 --format csv", 0, "", zeroTrace);
        row("asm prog.qzb.s -o made.qzb", 0, "", "made.qzb: 1 word, clock manual, beep off\n");
        QCOMPARE(read("made.qzb"), settingFile("10001100" + QByteArray(120, '0')));
        row("run upper.QZB --steps 4 --format csv", 0, "",
            "step,pc,a,b,out,carry\n0,0,0,0,0,0\n1,1,0,1,0,0\n2,2,0,1,1,0\n3,0,0,1,1,0\n4,1,0,2,1,0\n");
        row("run bad.s", 1, "bad.s:2:7: OUT can add only B");
        row("test folder.qzb count.qzb", 2, "cannot read folder.qzb");
        row("test count.qzt", 2, "PROGRAM is required");
        row("test one.qzt count.s count.qzb --format prairielearn", 2,
            "qzb-cli: --format prairielearn grades one program, not 2 (see qzb-cli test --help)\n");
        row("test count.qzt count.qzb --format", 2,
            "--format needs text, csv, jsonl, junit, grades, gradescope or prairielearn (see qzb-cli test");
        row("test count.qzb count.s", 2,
            "qzb-cli: count.qzb is a program, not a test file; the test file comes first: "
            "qzb-cli test TESTS.qzt PROGRAM...\n");
        row("test count.s one.qzt", 2, "qzb-cli: count.s is a program, not a test file");
        row("test one.qzt count.qzb count.s", 0, "",
            "count.qzb: 1 of 1 case passed\n  pass  c\ncount.s: 1 of 1 case passed\n  pass  c\n"
            "2 programs: 2 passed every case, 0 failed, 0 not graded\n");
        // The test file itself, however named, is no program of the class; any other test file is not graded.
        row("test one.qzt count.qzb missing.qzb ./one.qzt bad.s gone.QZT doubled.qzb", 1, "",
            "count.qzb: 1 of 1 case passed\n  pass  c\n"
            "missing.qzb: not graded: cannot read missing.qzb: No such file or directory\n"
            "bad.s: not graded: bad.s does not assemble\n"
            "  bad.s:2:7: OUT can add only B to its number, not A\n"
            "gone.QZT: not graded: gone.QZT is a test file, not a program\n"
            "doubled.qzb: not graded: doubled.qzb is not a setting file as the panel writes it: line 1 is "
            "'1\\x0d'\n"
            "5 programs: 1 passed every case, 0 failed, 4 not graded\n");
        row("run doubled.qzb --steps 0 --format csv", 0,
            "qzb-cli: warning: doubled.qzb" + notAsWritten + "line 1 is '1\\x0d'\n", zeroTrace);
        // Every message on stderr shows control bytes as a report does.
        row("run x\x1b[31m.s", 1, "qzb-cli: cannot read x\\x1b[31m.s: No such file or directory\n");
        row("test notes\x1b.qzt count.qzb", 2, "notes\\x1b.qzt:1:1: no case in the file");
        row("asm bad\x1b.s -o kept.qzb", 1, "bad\\x1b.s:2:7: OUT can add only B");
        row("disasm empty.qzb", 0, "qzb-cli: warning: empty.qzb" + notAsWritten + "the file is empty\n",
            ".clock none\n.beep off\n\n; 00-15: 0000 0000\n");
        row("disasm prog.qzb.s", 0, "",
            ".clock manual\n.beep off\n\n    A = 1             ; 00: 0011 0001\n; 01-15: 0000 0000\n");
    }

    // Gradescope's and PrairieLearn's results for a passing, a failing and an ungraded program, read by a
    // real JSON parser field by field: the program and the test file named by their file names alone, the
    // failure and its steps exactly as the text report gives them, the hidden case published later.
    void platformResults() {
        QVERIFY(QDir(folder_.path()).mkpath("sub"));
        write("sub/pts.qzt",
              "case \"one\"\nrun until out=1 within 5\ncase \"two\" points 3 hidden\nrun 5\nexpect out=2");
        write("slow.s", "loop: B = B + 1\nA = A\nOUT = B\nJMP loop\n");
        const QByteArray failure = "pts.qzt:5: expected out=2, found out=1 at step 5";
        QByteArray steps;  // as the text report shows them under the failure, without its indent
        for (const QByteArray& line : run({"test", "sub/pts.qzt", "slow.s"}).out.split('\n'))
            if (line.startsWith("        ") && !line.contains("expected")) steps += line.mid(8) + '\n';
        const QString notGraded =
            "bad.s does not assemble: bad.s:2:7: OUT can add only B to its number, not A";
        struct Row {
            QString program;
            int status;
            QJsonObject gradescope, gradescopeTwo, prairieLearn, prairieLearnTwo;
        };
        // clang-format off
        const Row rows[] = {
            {"count.s", 0, {{"score", 4}, {"output", "4 of 4 points"}},
             {{"name", "two"}, {"score", 3}, {"max_score", 3}, {"status", "passed"}, {"output", ""}, {"visibility", "after_published"}},
             {{"gradable", true}, {"score", 1}, {"message", "4 of 4 points"}},
             {{"name", "two"}, {"points", 3}, {"max_points", 3}, {"message", ""}, {"output", ""}}},
            {"slow.s", 1, {{"score", 1}, {"output", "1 of 4 points"}},
             {{"score", 0}, {"status", "failed"}, {"output", QString(failure + '\n' + steps)}},
             {{"gradable", true}, {"score", 0.25}, {"message", "1 of 4 points"}},
             {{"points", 0}, {"max_points", 3}, {"message", QString(failure)}, {"output", QString(steps)}}},
            {"../" + QFileInfo(folder_.path()).fileName() + "/bad.s", 1, {{"score", 0}, {"output", "0 of 4 points: " + notGraded}},
             {{"score", 0}, {"max_score", 3}, {"status", "failed"}, {"output", notGraded}},
             {{"gradable", false}, {"format_errors", QJsonArray{notGraded}}, {"score", 0}},
             {{"points", 0}, {"message", notGraded}}}};
        // clang-format on
        for (const Row& row : rows) {
            for (const auto& [format, top, two] :
                 {std::tuple{"gradescope", row.gradescope, row.gradescopeTwo},
                  {"prairielearn", row.prairieLearn, row.prairieLearnTwo}}) {
                const Result result = run({"test", "sub/pts.qzt", row.program, "--format", format});
                QJsonParseError error;
                const QJsonObject json = QJsonDocument::fromJson(result.out, &error).object();
                QVERIFY2(error.error == QJsonParseError::NoError && result.status == row.status, result.out);
                const QJsonArray tests = json["tests"].toArray();
                QCOMPARE(tests.size(), 2);
                for (const auto& [expected, actual] : {std::pair{top, json}, {two, tests[1].toObject()}}) {
                    for (auto field = expected.begin(); field != expected.end(); ++field)
                        QVERIFY2(actual[field.key()] == field.value(),
                                 qPrintable(format + (": " + field.key())));
                }
            }
        }
    }

    // The README's command for Grade a class's CSV, run by a shell that sorts `*` by letter before case, in
    // a folder that holds the test file, another one and names in mixed case, prints what the page makes
    // of the same files in its order, by code point; so does its command for the grade book's CSV.
    void pageCsvCommand() {
        const std::map<std::string, QByteArray> files = {
            {"down.qzt", "case \"down\"\n  run until out=14 within 9\n"},
            {"Notes.qzt", "; another\n"},
            {"Henry.s", "loop: B = B + 15\nOUT = B\nJMP loop\n"},
            {"alice.s", "loop: B = B + 1\nOUT = B\nJMP loop\n"},
            {"bob.qzb", settingFile(countBits)},
            {"\xC3\xA9mile, late.s", "OUT = A\n"}};
        qzb::Classroom page;
        page.openClassTests("down.qzt", files.at("down.qzt").toStdString());
        QVERIFY(QDir(folder_.path()).mkdir("class"));
        for (const auto& [name, bytes] : files) {
            write(QString::fromStdString("class/" + name), bytes);
            page.gradeFile(name, bytes.toStdString());
        }
        const QByteArray csv = QByteArray::fromStdString(
            qzb::gradeReport("down.qzt", page.classResults, qzb::ReportFormat::Csv));

        QTemporaryDir locales;  // en_US.UTF-8, built from the locales package
        QCOMPARE(
            QProcess::execute("localedef", {"-i", "en_US", "-f", "UTF-8", locales.filePath("en_US.UTF-8")}),
            0);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", QFileInfo(QZB_CLI_PATH).path() + ':' + environment.value("PATH"));
        environment.insert("LOCPATH", locales.path());
        environment.insert("LC_ALL", "en_US.UTF-8");
        QProcess shell;
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(folder_.filePath("class"));
        shell.start("bash", {"-c",
                             "echo *; LC_ALL=C bash -c 'qzb-cli test down.qzt * --format csv; "
                             "qzb-cli test down.qzt * --format grades'"});
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.readAllStandardOutput(),
                 "alice.s bob.qzb down.qzt \xC3\xA9mile, late.s Henry.s Notes.qzt\n" + csv +
                     QByteArray::fromStdString(page.gradesCsv()));
    }

    // The panel's own arguments: after "--" even "-v" is a file name, so the panel starts and opens it
    // (as "-v.qzb", the extension added) instead of only printing; two files get one line saying why.
    void panelArguments() {
        QTemporaryDir scratch;
        QFile named(scratch.filePath("-v.qzb"));
        QVERIFY(named.open(QIODevice::WriteOnly) && named.write(settingFile(countBits)) > 0);
        named.close();
        const int watch = ::inotify_init1(IN_CLOEXEC);
        const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
        QVERIFY(watch >= 0 && ::inotify_add_watch(watch, qPrintable(named.fileName()), IN_OPEN) >= 0);
        QProcess panel;
        panel.setWorkingDirectory(scratch.path());
        panel.start(QZB_PANEL_PATH, {"--", "-v"});
        pollfd opened{watch, POLLIN, 0};
        QVERIFY2(::poll(&opened, 1, 30000) == 1, panel.readAllStandardOutput().constData());
        panel.kill();
        panel.waitForFinished();
        const Result two = run({"a.qzb", "b.qzb"}, QZB_PANEL_PATH);
        QCOMPARE(two.status, 2);
        QVERIFY(two.err.endsWith("qzb: one setting file at most, not 2\n"));
        // What else a source does shows only in the window (see test_panel); the help names it.
        QVERIFY(run({"--help"}, QZB_PANEL_PATH)
                    .out.contains("FILE           A setting file (.qzb) or an assembly source"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
