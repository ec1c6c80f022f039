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
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "settings/setting_commands.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

using namespace qzb;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

// A folder of its own for one test, removed afterwards.
struct Scratch {
    std::string name = (fs::temp_directory_path() / "qzb-test-XXXXXX").string();
    fs::path path = ::mkdtemp(name.data());
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string operator/(const std::string& file) const { return (path / file).string(); }
};

std::string contents(const std::string& path) {
    if (fs::exists(path) && !fs::is_regular_file(path)) return "<not a file>";  // no waiting on a FIFO
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every name in the folder and below.
Names entries(const fs::path& folder) {
    Names names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(entry.path(), folder).string());
    std::ranges::sort(names);
    return names;
}

// Answers each showing with the next answer (nothing: closed without a choice), notes how the
// dialog was set up, and records every overwrite question with the bytes the file held then.
struct ScriptedPicker : FilePicker {
    std::vector<std::optional<std::string>> answers;
    Names shown, asked;
    bool replace = true;

    std::optional<std::string> pickFile(const FileDialog& d, Kind kind) override {
        shown.push_back((kind == Kind::Open ? "open|" : "save|") + d.dialogTitle + '|' +
                        std::to_string(d.flags) + '|' + d.filter + '|' + d.defaultExt + '|' + d.initDir);
        if (answers.empty()) return std::nullopt;
        const std::optional<std::string> answer = answers.front();
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
    PanelSwitches panel{.clock = clock, .beep = state};
    panel.program.fill(state);
    panel.input.fill(SwitchState::On);
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

const FileCommandOutcome done{}, cancelled{FileCommandResult::Cancelled, {}},
    refused{FileCommandResult::Refused, {}};
FileCommandOutcome cannotOpen(std::error_code error) {
    return {FileCommandResult::CannotOpen, error};
}

// Runs `work` as a user without privileges, for whom permission bits count (for root they do
// not), and returns the error value it ends with.
int asUnprivileged(const std::function<int()>& work) {
    if (::geteuid() != 0) return work();
    const pid_t child = ::fork();
    if (child == 0) ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 255 : work());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// A new name chosen in the save dialog is saved as shown, unasked, and loads back. A cancel, a refused name
// or a file that is not a regular one (after its links: a save would put a file in a FIFO's place) changes
// nothing and writes nothing.
TEST_CASE("what a chosen name saves, loads or refuses") {
    const FileCommandOutcome notRegular = cannotOpen(FileError::NotRegularFile);
    // clang-format off
    for (const auto& [name, saving, outcome, savedAs] : {
             std::tuple{std::string("prog"), true, done, "prog.qzb"},
             {".QZB", true, done, ".QZB"},
             {"dir.v2/prog", true, done, "dir.v2/prog.qzb"},
             {"prog.txt", true, refused, ""}, {"prog.qzb.txt", true, refused, ""}, {"prog.", true, refused, ""},
             {"", false, cancelled, ""}, {"", true, cancelled, ""},  // an empty name: the dialog is cancelled
             {"prog.txt", false, refused, ""},
             {"missing.qzb", false, cannotOpen(std::make_error_code(std::errc::no_such_file_or_directory)), ""},
             {"dir.qzb", false, cannotOpen(std::make_error_code(std::errc::is_a_directory)), ""},
             {"fifo.qzb", false, notRegular, ""}, {"zero.qzb", false, notRegular, ""},
             {"fifo.qzb", true, notRegular, ""}, {"link.qzb", true, notRegular, ""},
             {"device.qzb", true, notRegular, ""}}) {
        // clang-format on
        INFO((saving ? "save " : "load ") << name);
        Session session;
        const std::string path = session.folder / name;
        fs::create_directory(session.folder / "dir.v2");
        fs::create_directory(session.folder / "dir.qzb");
        writeFile(session.folder / "prog.txt", "old");
        REQUIRE(::mkfifo((session.folder / "fifo.qzb").c_str(), 0600) == 0);
        fs::create_symlink("fifo.qzb", session.folder / "link.qzb");
        fs::create_symlink("/dev/zero", session.folder / "zero.qzb");
        if (name == "device.qzb" && ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
            MESSAGE("skipped: making a device needs root");
            continue;
        }
        const Names before = entries(session.folder.path);
        const fs::file_type type = fs::symlink_status(path).type();
        const auto answer = name.empty() ? std::nullopt : std::optional(path);
        CHECK((saving ? session.save({answer}) : session.load(answer)) == outcome);
        if (*savedAs == '\0') {
            CHECK(session.panel == pattern());
            CHECK(entries(session.folder.path) == before);
            CHECK(fs::symlink_status(path).type() == type);
            CHECK(contents(session.folder / "prog.txt") == "old");
            continue;
        }
        CHECK(contents(session.folder / savedAs) == writeSettingFile(pattern()));
        session.panel = uniform(SwitchState::Greyed);
        CHECK(session.load(session.folder / savedAs) == done);
        CHECK(session.panel == pattern());
        const std::string rest = "|QZB File|*.qzb|qzb|" + session.folder.path.string();
        CHECK(session.picker.shown ==
              Names{"save|Save Setting File|6" + rest, "open|Open Setting File|4100" + rest});
        CHECK(session.picker.asked.empty());
    }
}

TEST_CASE("any file loads quietly, within the read limit") {
    const PanelSwitches off = uniform(SwitchState::Off), on = uniform(SwitchState::On);
    const std::string limit(fileReadLimit - 1, ' '), tail = "1\r\n" + std::string(1 << 20, '1');
    for (const auto& [bytes, expected] : {std::pair{std::string(), off},
                                          {std::string("1"), on},
                                          {std::string(10 << 20, '7'), off},
                                          {limit + tail, on},
                                          {limit + ' ' + tail, off}}) {
        CAPTURE(bytes.size());
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
        // "No" goes back to choosing a name; here the second showing is cancelled.
        CHECK(session.save({session.folder / "prog", std::nullopt}) == (replace ? done : cancelled));
        CHECK(session.picker.asked == Names{"prog.qzb=old"});
        CHECK(session.picker.shown.size() == (replace ? 1u : 2u));
        CHECK(contents(session.folder / "prog.qzb") == (replace ? writeSettingFile(pattern()) : "old"));
    }
}

// The file size limit fails the write after each possible number of bytes (SIGXFSZ ignored, so the
// write returns an error); only room for the whole file saves it, with the old file's permissions.
// Last, the folder moves away under the written file, so the commit cannot put it in place.
TEST_CASE("a save failing after any byte, or at its commit, keeps the old file") {
    Session session;
    const std::string path = session.folder / "old.qzb", saved = writeSettingFile(session.panel);
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);
    for (std::size_t bytes = 0; bytes <= saved.size(); ++bytes) {
        CAPTURE(bytes);
        writeFile(path, "old");
        fs::permissions(path, fs::perms(0640));
        const rlimit limit{bytes, unlimited.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileCommandOutcome outcome = session.save({path});
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        const bool whole = bytes == saved.size();
        CHECK(outcome.result == (whole ? FileCommandResult::Done : FileCommandResult::CannotOpen));
        CHECK(contents(path) == (whole ? saved : "old"));
        CHECK(fs::status(path).permissions() == fs::perms(0640));  // the new file keeps the old one's
        CHECK(entries(session.folder.path) == Names{"old.qzb"});
    }
    ::signal(SIGXFSZ, handler);

    writeFile(path, "old");
    const std::string moved = session.folder.path.string() + "-moved";
    session.context.beforeSaveCommit = [&] { fs::rename(session.folder.path, moved); };
    CHECK(session.save({path}).result == FileCommandResult::CannotOpen);
    fs::rename(moved, session.folder.path);
    CHECK(contents(path) == "old");
    CHECK(entries(session.folder.path) == Names{"old.qzb"});
}

// As a user without privileges: what each save is allowed to replace, and how. File mode 0 is a
// link to nothing, which the save follows.
TEST_CASE("a save as an ordinary user: read-only files, closed folders, links") {
    for (const auto& [fileMode, folderMode, expectedError] : {std::tuple{0444, 0777, EACCES},
                                                              {0666, 0555, 0},  // written in place
                                                              {0444, 0555, EACCES},
                                                              {0, 0777, 0}}) {
        CAPTURE(fileMode);
        CAPTURE(folderMode);
        Scratch scratch;
        const std::string folder = scratch / "folder", path = folder + "/old.qzb";
        fs::create_directory(folder);
        if (fileMode == 0) {
            fs::create_symlink("named.qzb", path);
        } else {
            writeFile(path, "old");
            ::chmod(path.c_str(), mode_t(fileMode));
        }
        ::chmod(scratch.path.c_str(), 0755);
        ::chmod(folder.c_str(), mode_t(folderMode));
        const int error = asUnprivileged([&] {
            Session session;
            session.context.programFolder = folder;
            return session.save({path}).error.value();
        });
        ::chmod(folder.c_str(), 0755);
        CHECK(error == expectedError);
        if (fileMode == 0) {
            CHECK(fs::is_symlink(path));
            CHECK(contents(folder + "/named.qzb") == writeSettingFile(pattern()));
            continue;
        }
        CHECK(contents(path) == (expectedError == 0 ? writeSettingFile(pattern()) : "old"));
        CHECK(fs::status(path).permissions() == fs::perms(fileMode));
        CHECK(entries(folder) == Names{"old.qzb"});
    }
}

// Where the temporary file cannot be made for another reason than permission, here for want of an
// inode, the save is refused rather than emptying the old file and writing it in place.
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
    CHECK(entries(folder) == Names{"old.qzb"});
    ::umount(folder.c_str());
}
