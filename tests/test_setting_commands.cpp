#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

#include "settings/setting_commands.h"
#include "settings/setting_file.h"

using qzb::FileDialog;
using qzb::FilePicker;
using qzb::PanelSwitches;
using qzb::SwitchState;

Q_DECLARE_METATYPE(PanelSwitches)

namespace {

// Answers each showing with the next queued name (nothing = closed without a
// choice) and records the dialog's settings at that moment.
class ScriptedPicker : public FilePicker {
public:
    std::deque<std::optional<std::string>> answers;
    std::vector<FileDialog> shown;
    std::vector<Kind> kinds;

    std::optional<std::string> pickFile(const FileDialog& dialog, Kind kind) override {
        shown.push_back(dialog);
        kinds.push_back(kind);
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// One window's worth of file commands over a scratch folder.
struct Session {
    QTemporaryDir folder;
    ScriptedPicker picker;
    FileDialog dialog{picker};
    std::vector<std::string> errors;
    qzb::FileCommandContext context{dialog, folder.path().toStdString(),
                                    [this](const std::string& text) { errors.push_back(text); }};
    PanelSwitches panel;
    int resets = 0;

    std::string path(const char* name) const { return folder.filePath(name).toStdString(); }
    void load(std::optional<std::string> answer) {
        picker.answers.push_back(std::move(answer));
        qzb::loadSettings(context, panel, [this] { ++resets; });
    }
    void save(std::optional<std::string> answer) {
        picker.answers.push_back(std::move(answer));
        qzb::saveSettings(context, panel);
    }
    QStringList entries() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

QByteArray contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

PanelSwitches patternPanel() {
    PanelSwitches panel;
    for (int n = 0; n < 128; n += 3) panel.program[n] = SwitchState::On;
    panel.program[5] = SwitchState::Greyed;
    panel.clock.select10Hz();
    panel.beep = SwitchState::On;
    return panel;
}

// Makes every write of this process fail once a file would grow past `bytes`:
// the kernel's file size limit, with the signal it raises ignored so that the
// write returns an error instead.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    sighandler_t previousHandler_;
};

}  // namespace

class TestSettingCommands : public QObject {
    Q_OBJECT

private slots:
    void cancelChangesNothing() {
        Session session;
        session.panel = patternPanel();
        session.dialog.fileName = session.path("earlier.qzb");
        session.load(std::nullopt);
        session.save(std::nullopt);

        QCOMPARE(session.panel, patternPanel());
        QCOMPARE(session.resets, 0);
        QVERIFY(session.errors.empty());
        QVERIFY(session.entries().isEmpty());
        QCOMPARE(session.dialog.fileName, session.path("earlier.qzb"));

        const auto& open = session.picker.shown.at(0);
        const auto& save = session.picker.shown.at(1);
        QVERIFY(session.picker.kinds == (std::vector{FilePicker::Kind::Open, FilePicker::Kind::Save}));
        for (const FileDialog* dialog : {&open, &save}) {
            QCOMPARE(dialog->defaultExt, "qzb");
            QCOMPARE(dialog->filter, "QZB File|*.qzb");
            QCOMPARE(dialog->initDir, session.folder.path().toStdString());
            QVERIFY(dialog->cancelError);
        }
        QCOMPARE(open.dialogTitle, "Open Setting File");
        QCOMPARE(open.flags, 4100u);
        QCOMPARE(save.dialogTitle, "Save Setting File");
        QCOMPARE(save.flags, 6u);
    }

    void savedFileLoadsBack() {
        Session session;
        session.panel = patternPanel();
        session.save(session.path("prog"));
        QVERIFY(session.errors.empty());
        QCOMPARE(session.entries(), QStringList{"prog.qzb"});
        QCOMPARE(contents(session.path("prog.qzb")).toStdString(), qzb::writeSettingFile(patternPanel()));

        session.panel = PanelSwitches{};
        session.panel.input.fill(SwitchState::On);
        std::vector<PanelSwitches> seenByReset;
        session.picker.answers.push_back(session.path("prog"));
        qzb::loadSettings(session.context, session.panel, [&] { seenByReset.push_back(session.panel); });
        PanelSwitches expected = patternPanel();
        expected.input.fill(SwitchState::On);  // not part of a setting file
        QCOMPARE(session.panel, expected);
        QCOMPARE(seenByReset, std::vector{expected});
        QVERIFY(session.errors.empty());
    }

    void dialogNames_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("differs");
        QTest::newRow("no extension") << "/d/prog"
                                      << "/d/prog.qzb" << false;
        QTest::newRow("qzb") << "/d/prog.qzb"
                             << "/d/prog.qzb" << false;
        QTest::newRow("capitals") << "/d/prog.QZB"
                                  << "/d/prog.QZB" << false;
        QTest::newRow("other") << "/d/prog.txt"
                               << "/d/prog.txt" << true;
        QTest::newRow("two extensions") << "/d/prog.qzb.txt"
                                        << "/d/prog.qzb.txt" << true;
        QTest::newRow("dot in a folder") << "/d/dir.v2/prog"
                                         << "/d/dir.v2/prog.qzb" << false;
        QTest::newRow("dot at the end") << "/d/prog."
                                        << "/d/prog." << true;
        QTest::newRow("only an extension") << "/d/.qzb"
                                           << "/d/.qzb" << false;
        QTest::newRow("folder") << "/d/"
                                << "/d/" << false;
    }

    void dialogNames() {
        QFETCH(QString, chosen);
        QFETCH(QString, fileName);
        QFETCH(bool, differs);
        ScriptedPicker picker;
        FileDialog dialog(picker);
        dialog.defaultExt = "qzb";
        dialog.flags = FileDialog::extensionDifferent | FileDialog::fileMustExist;
        picker.answers.push_back(chosen.toStdString());
        QVERIFY(dialog.showOpen());
        QCOMPARE(dialog.fileName, fileName.toStdString());
        QCOMPARE(dialog.flags, (differs ? FileDialog::extensionDifferent : 0u) | FileDialog::fileMustExist);
    }

    void otherExtensionIsRefused_data() {
        QTest::addColumn<bool>("saving");
        QTest::addColumn<QString>("name");
        for (const char* name : {"prog.txt", "prog.", "prog.qzb.bak"}) {
            QTest::addRow("load %s", name) << false << name;
            QTest::addRow("save %s", name) << true << name;
        }
    }

    void otherExtensionIsRefused() {
        QFETCH(bool, saving);
        QFETCH(QString, name);
        Session session;
        const std::string path = session.path(name.toUtf8());
        writeFile(path, "old\r\n");
        session.panel = patternPanel();
        saving ? session.save(path) : session.load(path);

        QCOMPARE(session.errors,
                 std::vector<std::string>{saving ? qzb::saveRefusedMessage : qzb::loadRefusedMessage});
        QCOMPARE(session.panel, patternPanel());
        QCOMPARE(session.resets, 0);
        QCOMPARE(contents(path), QByteArray("old\r\n"));
        QCOMPARE(session.entries(), QStringList{name});
    }

    void unopenableFileIsNotFound_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"missing", "directory", "fifo", "device"}) QTest::newRow(kind) << kind;
    }

    void unopenableFileIsNotFound() {
        QFETCH(QString, kind);
        Session session;
        const std::string path = session.path("odd.qzb");
        if (kind == "directory") QVERIFY(QDir().mkdir(QString::fromStdString(path)));
        if (kind == "fifo") QCOMPARE(mkfifo(path.c_str(), 0600), 0);
        if (kind == "device") QVERIFY(QFile::link("/dev/zero", QString::fromStdString(path)));
        session.panel = patternPanel();
        session.load(path);
        QCOMPARE(session.errors, std::vector<std::string>{qzb::fileNotFoundMessage});
        QCOMPARE(session.panel, patternPanel());
        QCOMPARE(session.resets, 0);
    }

    // Files from anywhere: none may hang, crash or show a message, and each load ends with a reset.
    void hostileFilesLoadQuietly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PanelSwitches>("expected");
        const QByteArray saved = QByteArray::fromStdString(qzb::writeSettingFile(patternPanel()));
        PanelSwitches allOff;  // unreadable fields hand over the held 0 and false
        allOff.clock = {false, false, false};
        PanelSwitches allOn = allOff;
        allOn.program.fill(SwitchState::On);
        allOn.beep = SwitchState::On;
        PanelSwitches oneFieldBad = patternPanel();
        oneFieldBad.program[57] = oneFieldBad.program[56];  // takes the value read before it

        QTest::newRow("empty") << QByteArray() << allOff;
        QTest::newRow("one byte") << QByteArray("1") << allOn;
        QTest::newRow("NUL bytes") << QByteArray(300, '\0') << allOff;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + saved << patternPanel();
        QTest::newRow("10 MB of digits") << QByteArray(10 << 20, '7') << allOff;
        QTest::newRow("far outside 16 bits") << QByteArray("99999999999999999999\r\n-65537\r\n65536\r\n")
                                            << allOff;
        QTest::newRow("one bad field") << QByteArray(saved).replace(57 * 3, 1, "x") << oneFieldBad;
    }

    void hostileFilesLoadQuietly() {
        QFETCH(QByteArray, bytes);
        QFETCH(PanelSwitches, expected);
        Session session;
        writeFile(session.path("hostile.qzb"), bytes);
        session.panel = patternPanel();
        session.panel.program.fill(SwitchState::Greyed);  // every switch must be decided by the file
        session.load(session.path("hostile.qzb"));
        QVERIFY(session.errors.empty());
        QCOMPARE(session.resets, 1);
        QCOMPARE(session.panel, expected);
    }

    // A field cut by the read limit is read as far as the limit reaches.
    void readStopsAtTheLimit_data() {
        QTest::addColumn<int>("blanks");
        QTest::addColumn<SwitchState>("bit0");
        QTest::newRow("value inside the limit") << int(qzb::settingFileReadLimit) - 1 << SwitchState::On;
        QTest::newRow("value past the limit") << int(qzb::settingFileReadLimit) << SwitchState::Off;
    }

    void readStopsAtTheLimit() {
        QFETCH(int, blanks);
        QFETCH(SwitchState, bit0);
        Session session;
        writeFile(session.path("big.qzb"), QByteArray(blanks, ' ') + "1\r\n" + QByteArray(1 << 20, '1'));
        session.panel.program.fill(SwitchState::Greyed);
        session.load(session.path("big.qzb"));
        QCOMPARE(session.panel.program[0], bit0);
        QCOMPARE(session.panel.program[1], bit0);  // the held value of line 1
        QCOMPARE(session.resets, 1);
    }

    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("commitFails");
        QTest::newRow("folder is a file") << "sub/old.qzb/new.qzb" << false;
        QTest::newRow("commit fails") << "sub/old.qzb" << true;
    }

    void failedSaveKeepsTheOldFile() {
        QFETCH(QString, name);
        QFETCH(bool, commitFails);
        Session session;
        QVERIFY(QDir(session.folder.path()).mkdir("sub"));
        const QByteArray old = QByteArray::fromStdString(qzb::writeSettingFile(PanelSwitches{}));
        writeFile(session.path("sub/old.qzb"), old);
        QString folder = session.folder.filePath("sub");
        if (commitFails) {
            // The folder moves away under the written file, so the commit cannot put it in place.
            session.context.beforeSaveCommit = [&] {
                QVERIFY(QDir(session.folder.path()).rename("sub", "moved"));
                folder = session.folder.filePath("moved");
            };
        }
        session.panel = patternPanel();
        session.save(session.path(name.toUtf8()));
        QCOMPARE(session.errors, std::vector<std::string>{qzb::cannotWriteMessage});
        QCOMPARE(contents((folder + "/old.qzb").toStdString()), old);
        QCOMPARE(
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{"old.qzb"});
        QCOMPARE(session.entries().size(), 1);
    }

    // The file size limit fails the write after each possible number of bytes;
    // only room for the whole file lets the save replace the old one.
    void writeFailingAfterAnyByteKeepsTheOldFile() {
        Session session;
        const std::string old = qzb::writeSettingFile(PanelSwitches{});
        const std::string saved = qzb::writeSettingFile(patternPanel());
        session.panel = patternPanel();
        for (std::size_t bytes = 0; bytes <= saved.size(); ++bytes) {
            writeFile(session.path("old.qzb"), QByteArray::fromStdString(old));
            session.errors.clear();
            {
                const FileSizeLimit limit(bytes);
                session.save(session.path("old.qzb"));
            }
            const bool whole = bytes == saved.size();
            const QByteArray where = "after " + QByteArray::number(qulonglong(bytes)) + " bytes";
            QVERIFY2(session.errors.size() == (whole ? 0u : 1u), where);
            QVERIFY2(contents(session.path("old.qzb")).toStdString() == (whole ? saved : old), where);
            QVERIFY2(session.entries() == QStringList{"old.qzb"}, where);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettingCommands)
#include "test_setting_commands.moc"
