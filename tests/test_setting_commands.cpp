// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "settings/setting_commands.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

using namespace qzb;
namespace fs = std::filesystem;

namespace {

// A folder of its own for one test, removed afterwards.
struct Scratch {
    fs::path path;
    Scratch() {
        std::string name = (fs::temp_directory_path() / "qzb-test-XXXXXX").string();
        path = ::mkdtemp(name.data());
    }
    ~Scratch() {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const auto& entry : fs::recursive_directory_iterator(path, ignored))
            if (entry.is_directory(ignored))
                fs::permissions(entry, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

std::string contents(const std::string& path) {
    std::error_code ignored;
    if (fs::exists(path, ignored) && !fs::is_regular_file(path, ignored))
        return "<not a file>";  // no waiting on a FIFO
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<missing>";
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

// Answers each showing with the next answer (nothing: closed without a choice),
// notes how the dialog was set up, and records every overwrite question.
struct ScriptedPicker : FilePicker {
    std::vector<std::optional<std::string>> answers;
    std::vector<std::string> shown;
    std::vector<std::string> asked;  // each name, with the bytes it held when asked
    bool replace = true;

    std::optional<std::string> pickFile(const FileDialog& d, Kind kind) override {
        shown.push_back((kind == Kind::Open ? "open|" : "save|") + d.dialogTitle + '|' +
                        std::to_string(d.flags) + '|' + d.filter + '|' + d.defaultExt + '|' + d.initDir);
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    bool confirmOverwrite(const FileDialog&, const std::string& path) override {
        asked.push_back(fs::path(path).filename().string() + '=' + contents(path));
        return replace;
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
    for (std::size_t n = 0; n < 128; n += 3) panel.program[n] = SwitchState::Off;
    panel.program[5] = SwitchState::Greyed;
    return panel;
}

// One window's file commands over a scratch folder; Load reads into `panel`.
struct Session {
    Scratch folder;
    ScriptedPicker picker;
    FileDialog dialog{picker};
    FileCommandContext context{dialog, folder.path.string()};
    PanelSwitches panel = pattern();

    FileCommandOutcome load(std::optional<std::string> name) {
        picker.answers = {std::move(name)};
        return loadSettings(context, panel);
    }
    FileCommandOutcome save(std::vector<std::optional<std::string>> answers) {
        picker.answers = std::move(answers);
        return saveSettings(context, panel);
    }
};

const FileCommandOutcome done{};
const FileCommandOutcome cancelled{FileCommandResult::Cancelled, {}};
const FileCommandOutcome refused{FileCommandResult::Refused, {}};
FileCommandOutcome cannotOpen(std::error_code error) {
    return {FileCommandResult::CannotOpen, error};
}

// Runs `work` as a user without privileges, for whom permission bits count (for
// root they do not), and returns the error value it ends with. Without root, the
// test already runs as such a user.
int asUnprivileged(const std::function<int()>& work) {
    if (::geteuid() != 0) return work();
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(255);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_CASE("a name chosen in the save dialog is saved as shown and loads back; a refused one writes nothing") {
    for (const auto& [chosen, savedAs] : {std::pair{"prog", "prog.qzb"},
                                          {".QZB", ".QZB"},
                                          {"dir.v2/prog", "dir.v2/prog.qzb"},
                                          {"prog.txt", ""},
                                          {"prog.qzb.txt", ""},
                                          {"prog.", ""}}) {
        const std::string shown = chosen;
        CAPTURE(shown);
        Session session;
        fs::create_directory(session.folder / "dir.v2");
        const FileCommandOutcome outcome = session.save({session.folder / chosen});
        if (std::string(savedAs).empty()) {
            CHECK(outcome == refused);
            CHECK(entries(session.folder.path) == std::vector<std::string>{"dir.v2"});
            CHECK(entries(session.folder / "dir.v2").empty());
            continue;
        }
        CHECK(outcome == done);
        CHECK(contents(session.folder / savedAs) == writeSettingFile(pattern()));
        session.panel = uniform(SwitchState::Greyed);
        CHECK(session.load(session.folder / savedAs) == done);
        CHECK(session.panel == pattern());
        const std::string rest = "|QZB File|*.qzb|qzb|" + session.folder.path.string();
        CHECK(session.picker.shown == std::vector<std::string>{"save|Save Setting File|6" + rest,
                                                               "open|Open Setting File|4100" + rest});
    }
}

// A save over anything but a regular file (after its links) would replace a device or a FIFO with a
// file; it is refused and the target left as it was.
TEST_CASE("a cancel, a refused name or a file that is not a regular one changes nothing and writes nothing") {
    struct Row {
        const char* name;  // empty: the dialog is cancelled
        bool saving;
        FileCommandOutcome outcome;
    };
    const FileCommandOutcome notRegular = cannotOpen(FileError::NotRegularFile);
    for (const Row& row :
         {Row{"", false, cancelled},
          {"", true, cancelled},
          {"prog.txt", false, refused},
          {"missing.qzb", false, cannotOpen(std::make_error_code(std::errc::no_such_file_or_directory))},
          {"directory.qzb", false, cannotOpen(std::make_error_code(std::errc::is_a_directory))},
          {"fifo.qzb", false, notRegular},
          {"zero.qzb", false, notRegular},
          {"fifo.qzb", true, notRegular},
          {"link.qzb", true, notRegular},
          {"device.qzb", true, notRegular}}) {
        const std::string shown = std::string(row.saving ? "save " : "load ") + row.name;
        CAPTURE(shown);
        Session session;
        const std::string name = row.name, path = session.folder / name;
        if (name == "prog.txt") writeFile(path, "old");
        if (name == "directory.qzb") fs::create_directory(path);
        if (name == "fifo.qzb" || name == "link.qzb")
            REQUIRE(::mkfifo((name == "link.qzb" ? session.folder / "target" : path).c_str(), 0600) == 0);
        if (name == "link.qzb") fs::create_symlink("target", path);
        if (name == "zero.qzb") fs::create_symlink("/dev/zero", path);
        if (name == "device.qzb" && ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
            MESSAGE("skipped: making a device needs root");
            continue;
        }
        const std::vector<std::string> before = entries(session.folder.path);
        const fs::file_type type = fs::symlink_status(path).type();
        const auto answer = name.empty() ? std::nullopt : std::optional(path);
        CHECK((row.saving ? session.save({answer}) : session.load(answer)) == row.outcome);
        CHECK(session.panel == pattern());
        CHECK(entries(session.folder.path) == before);
        CHECK(fs::symlink_status(path).type() == type);
        if (name == "prog.txt") CHECK(contents(path) == "old");
    }
}

TEST_CASE("any file loads quietly, within the read limit") {
    const PanelSwitches off = uniform(SwitchState::Off), on = uniform(SwitchState::On);
    const std::string limit(fileReadLimit - 1, ' '), tail = "1\r\n" + std::string(1 << 20, '1');
    for (const auto& [name, bytes, expected] : {std::tuple{"empty", std::string(), off},
                                                {"one byte", std::string("1"), on},
                                                {"10 MB of digits", std::string(10 << 20, '7'), off},
                                                {"1 at the read limit", limit + tail, on},
                                                {"1 past the read limit", limit + ' ' + tail, off}}) {
        const std::string shown = name;
        CAPTURE(shown);
        Session session;
        session.panel = uniform(SwitchState::Greyed, {false, true, false});
        writeFile(session.folder / "hostile.qzb", bytes);
        CHECK(session.load(session.folder / "hostile.qzb") == done);
        CHECK(session.panel == expected);
    }
}

TEST_CASE("a name that would replace a file is asked about as written, before any byte changes") {
    for (const bool replace : {false, true}) {
        Session session;
        writeFile(session.folder / "prog.qzb", "old");
        session.picker.replace = replace;
        // Typed without the extension: the desktop's own dialog saw no such file and asked nothing.
        const FileCommandOutcome outcome = session.save({session.folder / "prog", std::nullopt});
        CHECK(session.picker.asked == std::vector<std::string>{"prog.qzb=old"});
        // "No" goes back to choosing a name; here the second showing is cancelled.
        CHECK(session.picker.shown.size() == (replace ? 1u : 2u));
        CHECK(outcome == (replace ? done : cancelled));
        CHECK(contents(session.folder / "prog.qzb") == (replace ? writeSettingFile(pattern()) : "old"));
    }
    Session fresh;
    CHECK(fresh.save({fresh.folder / "new"}) == done);
    CHECK(fresh.picker.asked.empty());
}

// The file size limit fails the write after each possible number of bytes (SIGXFSZ ignored, so the
// write returns an error); only room for the whole file saves it. Last, the folder moves away under
// the written file, so the commit cannot put it in place.
TEST_CASE("a save failing after any byte, or at its commit, keeps the old file") {
    Session session;
    const std::string path = session.folder / "old.qzb", saved = writeSettingFile(session.panel);
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    for (std::size_t bytes = 0; bytes <= saved.size(); ++bytes) {
        CAPTURE(bytes);
        writeFile(path, "old");
        const rlimit limit{bytes, unlimited.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileCommandOutcome outcome = session.save({path});
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        const bool whole = bytes == saved.size();
        CHECK(outcome.result == (whole ? FileCommandResult::Done : FileCommandResult::CannotOpen));
        CHECK(contents(path) == (whole ? saved : "old"));
        CHECK(entries(session.folder.path) == std::vector<std::string>{"old.qzb"});
    }
    ::signal(SIGXFSZ, handler);

    writeFile(path, "old");
    const std::string moved = session.folder.path.string() + "-moved";
    session.context.beforeSaveCommit = [&] { fs::rename(session.folder.path, moved); };
    CHECK(session.save({path}).result == FileCommandResult::CannotOpen);
    fs::rename(moved, session.folder.path);
    CHECK(contents(path) == "old");
    CHECK(entries(session.folder.path) == std::vector<std::string>{"old.qzb"});
}

// As a user without privileges: what each save is allowed to replace, and how.
TEST_CASE("a save as an ordinary user: read-only files, closed folders, links") {
    struct Row {
        const char* name;
        mode_t fileMode, folderMode;
        int error;  // 0: saved
    };
    for (const Row& row : {Row{"read-only file, open folder", 0444, 0777, EACCES},
                           {"writable file, closed folder (written in place)", 0666, 0555, 0},
                           {"read-only file, closed folder", 0444, 0555, EACCES},
                           {"a link to nothing", 0, 0777, 0}}) {
        const std::string shown = row.name;
        CAPTURE(shown);
        Scratch scratch;
        const std::string folder = scratch / "folder", path = folder + "/old.qzb",
                          named = folder + "/named.qzb";
        fs::create_directory(folder);
        const bool link = row.fileMode == 0;
        if (link) {
            fs::create_symlink("named.qzb", path);
        } else {
            writeFile(path, "old");
            ::chmod(path.c_str(), row.fileMode);
        }
        ::chmod(scratch.path.c_str(), 0755);
        ::chmod(folder.c_str(), row.folderMode);
        const int error = asUnprivileged([&] {
            Session session;
            session.context.programFolder = folder;
            session.picker.replace = true;
            return session.save({path}).error.value();
        });
        ::chmod(folder.c_str(), 0755);
        CHECK(error == row.error);
        if (link) {
            CHECK(fs::is_symlink(path));
            CHECK(contents(named) == writeSettingFile(pattern()));
            continue;
        }
        CHECK(contents(path) == (row.error == 0 ? writeSettingFile(pattern()) : "old"));
        struct stat status {};
        ::stat(path.c_str(), &status);
        CHECK((status.st_mode & 07777) == row.fileMode);
        CHECK(entries(folder) == std::vector<std::string>{"old.qzb"});
    }
}

// A folder where the temporary file cannot be made for another reason than
// permission, here a file system without a free inode: the save is refused and
// the old file keeps its bytes, rather than being emptied and written in place.
TEST_CASE("no room for the temporary file: refused, the old file kept") {
    Scratch scratch;
    const std::string folder = scratch / "full", path = folder + "/old.qzb";
    fs::create_directory(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k,nr_inodes=2") != 0) {
        MESSAGE("skipped: mounting a small file system needs root");
        return;
    }
    writeFile(path, "old");
    Session session;
    CHECK(session.save({path}) == cannotOpen(std::make_error_code(std::errc::no_space_on_device)));
    CHECK(contents(path) == "old");
    CHECK(entries(folder) == std::vector<std::string>{"old.qzb"});
    ::umount(folder.c_str());
}
