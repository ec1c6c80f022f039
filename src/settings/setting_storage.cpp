// SPDX-License-Identifier: MIT
#include "settings/setting_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <random>
#include <utility>

#include "settings/setting_file.h"

namespace qzb {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now, so that the caller learns whether the close failed.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t count = ::write(fd, text.data(), text.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

// Saving through a symbolic link replaces the file it names and keeps the link.
std::string resolvedTarget(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    const std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr), &std::free);
    return target ? std::string(target.get()) : path;
}

std::pair<std::string, std::string> splitFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A new hidden file beside the target, created exclusively so that nothing of
// another program's is ever overwritten.
std::optional<std::pair<FileDescriptor, std::string>> createTemporary(int folder, const std::string& name) {
    std::random_device entropy;
    constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string candidate = '.' + name + '.';
        for (int i = 0; i < 8; ++i) candidate += letters[entropy() % letters.size()];
        FileDescriptor file(
            ::openat(folder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.get() >= 0) return std::pair{std::move(file), std::move(candidate)};
        if (errno != EEXIST) break;
    }
    return std::nullopt;
}

// For a folder the user may not write into, over a file the user may: the file
// is emptied and written where it is. Not atomic, but every failure is reported.
bool writeInPlace(const std::string& path, std::string_view text) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return false;
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    return file.get() >= 0 && writeAll(file.get(), text) && ::fsync(file.get()) == 0 && file.close();
}

}  // namespace

std::optional<std::string> readSettingText(const std::string& path) {
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
        if (count <= 0) break;  // a read error ends the text where it happened
        length += static_cast<std::size_t>(count);
    }
    text.resize(length);
    return text;
}

// The temporary file is named and renamed relative to the folder as it was
// opened, but the rename's target is the path as given: if the folder is moved
// away during the save, the rename fails and the temporary file can still be
// removed from wherever the folder went.
bool replaceFile(const std::string& path, std::string_view text, const std::function<void()>& beforeCommit) {
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    const std::string target = resolvedTarget(path);
    const auto [folderPath, name] = splitFolder(target);
    if (name.empty()) return false;
    const FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return false;

    auto temporary = createTemporary(folder.get(), name);
    if (!temporary) return writeInPlace(target, text);
    auto& [file, temporaryName] = *temporary;

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(file.get(), old.st_mode & 07777);
    bool written = writeAll(file.get(), text) && ::fsync(file.get()) == 0 && file.close();
    if (written && beforeCommit) beforeCommit();
    written = written && ::renameat(folder.get(), temporaryName.c_str(), AT_FDCWD, target.c_str()) == 0;
    if (!written) {
        ::unlinkat(folder.get(), temporaryName.c_str(), 0);
        return false;
    }
    ::fsync(folder.get());  // the new name itself outlives a power cut; a failure here loses nothing
    return true;
}

}  // namespace qzb
