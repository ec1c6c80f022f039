// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "machine/panel_switches.h"

namespace qzb {

// A file that is there but is not a regular file: a FIFO, a device, a socket.
// Every other failure carries the system's own error number.
enum class FileError { NotRegularFile = 1 };
std::error_code make_error_code(FileError error);

// A saved setting file is 413 bytes; reading stops here, so a huge or endless
// file can neither freeze the panel nor exhaust memory.
inline constexpr std::size_t fileReadLimit = std::size_t{64} * 1024;

// Reads at most `limit` bytes of the regular file at `path` into `text`.
// Directories, FIFOs and devices are refused and the open never waits, so no
// choice of file can hang. A read error ends the text where it happened.
std::error_code readFileText(const std::string& path, std::string& text, std::size_t limit = fileReadLimit);

// Reads the setting file at `path` and hands its fields to `switches`, as Load
// does; the switches change only when the file could be opened.
std::error_code loadSettingFile(const std::string& path, PanelSwitches& switches);

// Writes `text` to `path`, following symbolic links to the file they name (which
// is created if missing; the link stays). An existing file the user may not
// write, or one that is not a regular file (a device, a FIFO, a socket), is
// refused before anything is made. Otherwise a temporary file beside the
// target takes the text, is synced and renamed over the target, so any failure
// leaves the old file byte for byte as it was. Only where the folder refuses the
// temporary file for lack of permission is an existing, writable file rewritten
// in place, which is not atomic. `beforeCommit` runs just before the rename; tests
// use it.
std::error_code replaceFile(const std::string& path, std::string_view text,
                            const std::function<void()>& beforeCommit = {});

}  // namespace qzb

template <>
struct std::is_error_code_enum<qzb::FileError> : std::true_type {};
