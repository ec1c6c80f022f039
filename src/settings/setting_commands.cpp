#include "settings/setting_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <optional>

#include "settings/setting_file.h"

namespace qzb {
namespace {

constexpr const char* settingExtension = "qzb";
constexpr const char* settingFilter = "QZB File|*.qzb";

void prepareDialog(FileCommandContext& context, const char* title, std::uint32_t flags) {
    FileDialog& dialog = context.dialog;
    dialog.defaultExt = settingExtension;
    dialog.filter = settingFilter;
    dialog.initDir = context.programFolder;
    dialog.dialogTitle = title;
    dialog.flags = flags;
    dialog.cancelError = true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// The first settingFileReadLimit bytes of a regular file, or nothing when the
// name is not a regular file that can be opened. Directories, FIFOs and devices
// are refused before they are opened, and the open never waits, so no choice of
// file can hang the panel; a read error ends the text where it happened.
std::optional<std::string> readRegularFile(const std::string& path) {
    if (path.find('\0') != std::string::npos) return std::nullopt;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    // Looked at again through the open file: the name may have been swapped in between.
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;

    // One byte more than the file's size, so a file that did not grow ends without another allocation.
    const auto expected = static_cast<std::size_t>(status.st_size) + 1;
    std::string text(std::min(expected, settingFileReadLimit), '\0');
    std::size_t length = 0;
    while (length < settingFileReadLimit) {
        if (length == text.size()) text.resize(std::min(text.size() * 2, settingFileReadLimit));
        const ssize_t count = ::read(file.get(), text.data() + length, text.size() - length);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        length += static_cast<std::size_t>(count);
    }
    text.resize(length);
    return text;
}

// Replaces the file only once the whole text is written, synced and committed;
// on any failure the old file stays as it was and the temporary file is removed.
// Written unbuffered so that a short write shows in the count: with a buffer,
// the flush inside commit() can lose a write error and commit a truncated file.
bool replaceFile(const std::string& path, const std::string& text,
                 const std::function<void()>& beforeCommit) {
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    const auto size = static_cast<qint64>(text.size());
    if (file.write(text.data(), size) != size || ::fsync(file.handle()) != 0) return false;
    if (beforeCommit) beforeCommit();
    return file.commit();
}

}  // namespace

namespace {

// Load after the dialog: the extension test, the open, the read and the reset.
void loadChosenFile(FileCommandContext& context, PanelSwitches& switches,
                    const std::function<void()>& reset) {
    const FileDialog& dialog = context.dialog;
    if ((dialog.flags & FileDialog::extensionDifferent) != 0) {
        context.showError(loadRefusedMessage);
        return;
    }
    const std::optional<std::string> text = readRegularFile(dialog.fileName);
    if (!text) {
        context.showError(fileNotFoundMessage);
        return;
    }
    readSettingFile(*text, switches);
    reset();
}

}  // namespace

void loadSettings(FileCommandContext& context, PanelSwitches& switches, const std::function<void()>& reset) {
    prepareDialog(context, "Open Setting File", FileDialog::fileMustExist | FileDialog::hideReadOnly);
    if (!context.dialog.showOpen()) return;
    loadChosenFile(context, switches, reset);
}

void loadSettingsFrom(FileCommandContext& context, const std::string& name, PanelSwitches& switches,
                      const std::function<void()>& reset) {
    prepareDialog(context, "Open Setting File", FileDialog::fileMustExist | FileDialog::hideReadOnly);
    context.dialog.takeName(name);
    loadChosenFile(context, switches, reset);
}

void saveSettings(FileCommandContext& context, const PanelSwitches& switches) {
    prepareDialog(context, "Save Setting File", FileDialog::overwritePrompt | FileDialog::hideReadOnly);
    FileDialog& dialog = context.dialog;
    if (!dialog.showSave()) return;
    if ((dialog.flags & FileDialog::extensionDifferent) != 0) {
        context.showError(saveRefusedMessage);
        return;
    }
    if (!replaceFile(dialog.fileName, writeSettingFile(switches), context.beforeSaveCommit)) {
        context.showError(cannotWriteMessage);
    }
}

}  // namespace qzb
