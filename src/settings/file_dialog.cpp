// SPDX-License-Identifier: MIT
#include "settings/file_dialog.h"

#include <sys/stat.h>

#include <utility>

#include "common/text.h"
#include "settings/setting_file.h"

namespace qzb {
namespace {

// A name the save would replace: anything there but a folder, which no save replaces.
// Only a regular file is replaced; a save refuses anything else there, so asking would mislead.
bool wouldReplace(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

bool FileDialog::showOpen() {
    std::optional<std::string> chosen = picker_.pickFile(*this, FilePicker::Kind::Open);
    if (!chosen) return false;
    takeName(std::move(*chosen));
    return true;
}

bool FileDialog::showSave() {
    for (;;) {
        std::optional<std::string> chosen = picker_.pickFile(*this, FilePicker::Kind::Save);
        if (!chosen) return false;
        takeName(std::move(*chosen));
        if ((flags & overwritePrompt) == 0 || !wouldReplace(fileName) ||
            picker_.confirmOverwrite(*this, fileName))
            return true;
    }
}

// A name ending in a dot has an empty extension, which is not qzb, so "prog." is
// refused rather than turned into "prog..qzb".
void FileDialog::takeName(std::string name) {
    const std::optional<std::string_view> extension = fileExtension(name);
    flags &= ~extensionDifferent;
    if (extension) {
        if (!equalIgnoringCase(*extension, defaultExt)) flags |= extensionDifferent;
    } else if (!name.empty() && !name.ends_with('/') && !defaultExt.empty()) {
        name += '.';
        name += defaultExt;
    }
    fileName = std::move(name);
}

}  // namespace qzb
