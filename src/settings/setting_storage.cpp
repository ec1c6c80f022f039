// SPDX-License-Identifier: MIT
#include "settings/setting_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>
#include <utility>

#include "settings/setting_file.h"

namespace qzb {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

class FileErrorCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "qzb file"; }
    std::string message(int) const override { return "not a regular file"; }
};

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

// Writes the whole text, syncs it and closes the file, reporting the first failure.
std::error_code writeAllAndClose(FileDescriptor& file, std::string_view text) {
    while (!text.empty()) {
        const ssize_t count = ::write(file.get(), text.data(), text.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return lastError();
        if (count == 0) return std::make_error_code(std::errc::no_space_on_device);
        text.remove_prefix(static_cast<std::size_t>(count));
    }
    if (::fsync(file.get()) != 0 || !file.close()) return lastError();
    return {};
}

// The file a path names after following its symbolic links, each resolved from
// the folder that holds it; a link to nothing gives the name it points at.
std::error_code resolvedTarget(std::string path, std::string& target) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            target = std::move(path);
            return {};
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0) return lastError();
        link.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = link.starts_with('/') || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
}

std::pair<std::string, std::string> splitFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A new hidden file beside the target, created exclusively so that nothing of
// another program's is ever overwritten.
std::error_code createTemporary(int folder, const std::string& name, FileDescriptor& file,
                                std::string& created) {
    std::random_device entropy;
    constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string candidate = '.' + name + '.';
        for (int i = 0; i < 8; ++i) candidate += letters[entropy() % letters.size()];
        file = FileDescriptor(
            ::openat(folder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.get() >= 0) {
            created = std::move(candidate);
            return {};
        }
        if (errno != EEXIST) return lastError();
    }
    return std::make_error_code(std::errc::file_exists);
}

// For a folder the user may not write into, over a file the user may: the file
// is emptied and written where it is. Not atomic, but every failure is reported.
std::error_code writeInPlace(const std::string& path, std::string_view text) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return lastError();
    if (!S_ISREG(status.st_mode)) return FileError::NotRegularFile;
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) return lastError();
    return writeAllAndClose(file, text);
}

}  // namespace

std::error_code make_error_code(FileError error) {
    static const FileErrorCategory category;
    return {static_cast<int>(error), category};
}

std::error_code readFileText(const std::string& path, std::string& text, std::size_t limit) {
    text.clear();
    if (path.find('\0') != std::string::npos) return std::make_error_code(std::errc::invalid_argument);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return lastError();
    if (S_ISDIR(status.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(status.st_mode)) return FileError::NotRegularFile;
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) return lastError();
    // Looked at again through the open file: the name may have been swapped in between.
    if (::fstat(file.get(), &status) != 0) return lastError();
    if (!S_ISREG(status.st_mode)) return FileError::NotRegularFile;

    // One byte more than the file's size, so a file that did not grow ends without another allocation.
    const auto expected = static_cast<std::size_t>(status.st_size) + 1;
    text.resize(std::min(expected, limit));
    std::size_t length = 0;
    while (length < limit) {
        if (length == text.size()) text.resize(std::min(text.size() * 2, limit));
        const ssize_t count = ::read(file.get(), text.data() + length, text.size() - length);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;  // a read error ends the text where it happened
        length += static_cast<std::size_t>(count);
    }
    text.resize(length);
    return {};
}

std::error_code loadSettingFile(const std::string& path, PanelSwitches& switches) {
    std::string text;
    if (const std::error_code error = readFileText(path, text)) return error;
    readSettingFile(text, switches);
    return {};
}

// The temporary file is named and renamed relative to the folder as it was
// opened, but the rename's target is the path as given: if the folder is moved
// away during the save, the rename fails and the temporary file can still be
// removed from wherever the folder went.
std::error_code replaceFile(const std::string& path, std::string_view text,
                            const std::function<void()>& beforeCommit) {
    if (path.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
    if (path.find('\0') != std::string::npos) return std::make_error_code(std::errc::invalid_argument);
    std::string target;
    if (const std::error_code error = resolvedTarget(path, target)) return error;
    const auto [folderPath, name] = splitFolder(target);
    if (name.empty()) return std::make_error_code(std::errc::is_a_directory);

    // The rename needs only the folder's permission, so an existing file that
    // the user may not write must be refused here, before anything is made.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    // The rename would put a regular file in the place of a device, a FIFO or a socket.
    if (exists && !S_ISREG(old.st_mode)) return FileError::NotRegularFile;
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return lastError();

    const FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return lastError();
    FileDescriptor file;
    std::string temporaryName;
    if (const std::error_code error = createTemporary(folder.get(), name, file, temporaryName)) {
        // Only a folder closed to the user falls back on writing in place; a full
        // disk, a lack of inodes or descriptors would make that lose the old file.
        const bool refusedByFolder =
            error == std::errc::permission_denied || error == std::errc::operation_not_permitted;
        return refusedByFolder && exists ? writeInPlace(target, text) : error;
    }

    if (exists) ::fchmod(file.get(), old.st_mode & 07777);
    std::error_code error = writeAllAndClose(file, text);
    if (!error && beforeCommit) beforeCommit();
    if (!error && ::renameat(folder.get(), temporaryName.c_str(), AT_FDCWD, target.c_str()) != 0)
        error = lastError();
    if (error) {
        ::unlinkat(folder.get(), temporaryName.c_str(), 0);
        return error;
    }
    ::fsync(folder.get());  // the new name itself outlives a power cut; a failure here loses nothing
    return {};
}

}  // namespace qzb
