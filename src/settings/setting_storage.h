// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qzb {

// The first settingFileReadLimit bytes of the regular file at `path`, or nothing
// when the name is not a regular file that can be opened. Directories, FIFOs and
// devices are refused and the open never waits, so no choice of file can hang.
std::optional<std::string> readSettingText(const std::string& path);

// Writes `text` to `path`. Where the folder takes a temporary file, the old file
// is replaced only once the whole new text is written and synced, so a failure
// leaves it byte for byte as it was. Where the folder refuses a temporary file
// but the file itself may be written, the file is rewritten in place. False on
// any failure. `beforeCommit` runs just before the replacing; tests use it.
bool replaceFile(const std::string& path, std::string_view text,
                 const std::function<void()>& beforeCommit = {});

}  // namespace qzb
