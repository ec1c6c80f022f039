// SPDX-License-Identifier: MIT
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/setting_commands.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

using namespace qzb;

Q_DECLARE_METATYPE(PanelSwitches)

namespace {

// Answers a showing with `answer` (nothing: closed without a choice) and notes how
// the dialog was set up.
struct ScriptedPicker : FilePicker {
    std::optional<std::string> answer;
    std::vector<std::string> shown;

    std::optional<std::string> pickFile(const FileDialog& d, Kind kind) override {
        shown.push_back((kind == Kind::Open ? "open|" : "save|") + d.dialogTitle + '|' +
                        std::to_string(d.flags) + '|' + d.filter + '|' + d.defaultExt + '|' + d.initDir +
                        (d.cancelError ? "|cancelError" : ""));
        return std::exchange(answer, std::nullopt);
    }
};

// Every bit and Beep in one state; the input port, which no file holds, on.
PanelSwitches uniform(SwitchState state, ClockMode clock = {false, false, false}) {
    PanelSwitches panel;
    panel.program.fill(state);
    panel.input.fill(SwitchState::On);
    panel.clock = clock;
    panel.beep = state;
    return panel;
}

PanelSwitches pattern() {
    PanelSwitches panel = uniform(SwitchState::On, {false, true, false});
    for (int n = 0; n < 128; n += 3) panel.program[n] = SwitchState::Off;
    panel.program[5] = SwitchState::Greyed;
    return panel;
}

// One window's file commands over a scratch folder; `resets` holds the switches each reset saw.
struct Session {
    QTemporaryDir folder;
    ScriptedPicker picker;
    FileDialog dialog{picker};
    QStringList errors;
    FileCommandContext context{dialog, folder.path().toStdString(),
                               [this](const std::string& text) { errors << QString::fromStdString(text); }};
    PanelSwitches panel = pattern();
    std::vector<PanelSwitches> resets;

    std::string path(const QString& name) const { return folder.filePath(name).toStdString(); }
    void load(std::optional<std::string> name) {
        picker.answer = std::move(name);
        loadSettings(context, panel, [this] { resets.push_back(panel); });
    }
    void save(std::optional<std::string> name) {
        picker.answer = std::move(name);
        saveSettings(context, panel);
    }
    QStringList entries(const QString& subfolder = ".") const {
        return QDir(folder.filePath(subfolder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

std::string contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void writeFile(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Runs `save` as a user without privileges, for whom permission bits count (for
// root they do not). Without root, the test already runs as such a user.
bool asUnprivileged(const std::function<bool()>& save) {
    if (geteuid() != 0) return save();
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(2);
        _exit(save() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

class TestSettingCommands : public QObject {
    Q_OBJECT

private slots:
    void savedFileLoadsBack() {
        Session session;
        session.save(session.path("prog"));
        session.panel = uniform(SwitchState::Greyed);
        session.load(session.path("prog"));
        QCOMPARE(session.resets, std::vector{pattern()});  // the reset sees the loaded switches
        QCOMPARE(session.panel, pattern());
        QVERIFY(session.errors.isEmpty());
        const std::string rest =
            "|QZB File|*.qzb|qzb|" + session.folder.path().toStdString() + "|cancelError";
        QCOMPARE(session.picker.shown, (std::vector<std::string>{"save|Save Setting File|6" + rest,
                                                                 "open|Open Setting File|4100" + rest}));
    }

    // The name each choice in the Save dialog is saved as; none when the name is refused.
    void savedNames_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("savedAs");
        for (const auto& [chosen, savedAs] : {std::pair{"prog", "prog.qzb"},
                                              {".QZB", ".QZB"},
                                              {"dir.v2/prog", "dir.v2/prog.qzb"},
                                              {"prog.txt", ""},
                                              {"prog.qzb.txt", ""},
                                              {"prog.", ""}})
            QTest::newRow(chosen) << chosen << savedAs;
    }

    void savedNames() {
        QFETCH(QString, chosen);
        QFETCH(QString, savedAs);
        Session session;
        QVERIFY(QDir(session.folder.path()).mkdir("dir.v2"));
        session.save(session.path(chosen));
        if (savedAs.isEmpty()) {
            QCOMPARE(session.errors, QStringList{saveRefusedMessage});
            QCOMPARE(session.entries() + session.entries("dir.v2"), QStringList{"dir.v2"});
        } else {
            QVERIFY(session.errors.isEmpty());
            QCOMPARE(contents(session.path(savedAs)), writeSettingFile(pattern()));
        }
    }

    // A cancel, a refused name or a file that cannot be read changes nothing and writes nothing.
    void nothingChanges_data() {
        QTest::addColumn<QString>("name");  // empty: the dialog is cancelled
        QTest::addColumn<bool>("saving");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("cancel load") << "" << false << QStringList{};
        QTest::newRow("cancel save") << "" << true << QStringList{};
        QTest::newRow("load prog.txt") << "prog.txt" << false << QStringList{loadRefusedMessage};
        for (const char* name : {"missing.qzb", "directory.qzb", "fifo.qzb", "device.qzb"})
            QTest::newRow(name) << name << false << QStringList{fileNotFoundMessage};
    }

    void nothingChanges() {
        QFETCH(QString, name);
        QFETCH(bool, saving);
        QFETCH(QStringList, errors);
        Session session;
        const std::string path = session.path(name);
        if (name == "prog.txt") writeFile(path, "old");
        if (name == "directory.qzb") QVERIFY(QDir().mkdir(QString::fromStdString(path)));
        if (name == "fifo.qzb") QCOMPARE(mkfifo(path.c_str(), 0600), 0);
        if (name == "device.qzb") QVERIFY(QFile::link("/dev/zero", QString::fromStdString(path)));
        const QStringList before = session.entries();
        const auto answer = name.isEmpty() ? std::nullopt : std::optional(path);
        saving ? session.save(answer) : session.load(answer);
        QCOMPARE(session.errors, errors);
        QCOMPARE(session.panel, pattern());
        QVERIFY(session.resets.empty());
        QCOMPARE(session.entries(), before);
        if (name == "prog.txt") QCOMPARE(contents(path), "old");
    }

    // Any file loads quietly, within the read limit, and ends with one reset.
    void hostileFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PanelSwitches>("expected");
        const PanelSwitches off = uniform(SwitchState::Off), on = uniform(SwitchState::On);
        const QByteArray limit(int(settingFileReadLimit) - 1, ' '), tail = "1\r\n" + QByteArray(1 << 20, '1');
        QTest::newRow("empty") << QByteArray() << off;
        QTest::newRow("one byte") << QByteArray("1") << on;
        QTest::newRow("10 MB of digits") << QByteArray(10 << 20, '7') << off;
        QTest::newRow("1 at the read limit") << limit + tail << on;
        QTest::newRow("1 past the read limit") << limit + ' ' + tail << off;
    }

    void hostileFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(PanelSwitches, expected);
        Session session;
        session.panel = uniform(SwitchState::Greyed, {false, true, false});
        writeFile(session.path("hostile.qzb"), bytes);
        session.load(session.path("hostile.qzb"));
        QVERIFY(session.errors.isEmpty());
        QCOMPARE(session.resets, std::vector{expected});
    }

    void failedCommitKeepsTheOldFile() {
        Session session;
        QVERIFY(QDir(session.folder.path()).mkdir("sub"));
        writeFile(session.path("sub/old.qzb"), "old");
        // The folder moves away under the written file, so the commit cannot put it in place.
        session.context.beforeSaveCommit = [&] {
            QVERIFY(QDir(session.folder.path()).rename("sub", "moved"));
        };
        session.save(session.path("sub/old.qzb"));
        QCOMPARE(session.errors, QStringList{cannotWriteMessage});
        QCOMPARE(contents(session.path("moved/old.qzb")), "old");
        QCOMPARE(session.entries("moved"), QStringList{"old.qzb"});
    }

    // The file size limit fails the write after each possible number of bytes (SIGXFSZ
    // ignored, so the write returns an error); only room for the whole file saves it.
    void writeFailingAfterAnyByteKeepsTheOldFile() {
        Session session;
        const std::string path = session.path("old.qzb"), saved = writeSettingFile(session.panel);
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        const auto handler = signal(SIGXFSZ, SIG_IGN);
        for (std::size_t bytes = 0; bytes <= saved.size(); ++bytes) {
            writeFile(path, "old");
            session.errors.clear();
            const rlimit limit{bytes, unlimited.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limit);
            session.save(path);
            setrlimit(RLIMIT_FSIZE, &unlimited);
            const bool whole = bytes == saved.size();
            const QByteArray where = "after " + QByteArray::number(qulonglong(bytes)) + " bytes";
            QVERIFY2(session.errors.size() == (whole ? 0 : 1), where);
            QVERIFY2(contents(path) == (whole ? saved : "old"), where);
            QVERIFY2(session.entries() == QStringList{"old.qzb"}, where);
        }
        signal(SIGXFSZ, handler);
    }

    // A folder that takes no new file: a file there that may be written is
    // rewritten in place; one that may not keeps its bytes and the save fails.
    void folderWithoutRoomWritesInPlace_data() {
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("saves");
        QTest::newRow("writable file") << 0666 << true;
        QTest::newRow("read-only file") << 0444 << false;
    }
    void folderWithoutRoomWritesInPlace() {
        QFETCH(int, fileMode);
        QFETCH(bool, saves);
        QTemporaryDir scratch;
        const QString folder = scratch.filePath("locked");
        const std::string path = (folder + "/old.qzb").toStdString();
        QVERIFY(QDir(scratch.path()).mkdir("locked"));
        writeFile(path, "old");
        QVERIFY(chmod(scratch.path().toLocal8Bit(), 0755) == 0 && chmod(path.c_str(), mode_t(fileMode)) == 0);
        QVERIFY(chmod(folder.toLocal8Bit(), 0555) == 0);
        const bool saved = asUnprivileged([&] { return replaceFile(path, "new"); });
        chmod(folder.toLocal8Bit(), 0755);
        QCOMPARE(saved, saves);
        QCOMPARE(contents(path), saves ? "new" : "old");
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"old.qzb"});
    }
};

QTEST_GUILESS_MAIN(TestSettingCommands)
#include "test_setting_commands.moc"
