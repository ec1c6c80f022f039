// SPDX-License-Identifier: MIT
#include "settings/file_dialog.h"

#include <string_view>
#include <utility>

namespace qzb {
namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

bool FileDialog::showOpen() {
    return show(FilePicker::Kind::Open);
}

bool FileDialog::showSave() {
    return show(FilePicker::Kind::Save);
}

// Only the last path component can carry the extension: the text after its last
// dot. So "dir.v2/prog" has none and becomes "dir.v2/prog.qzb"; ".qzb" has the
// extension qzb and stays as it is; "prog." has an empty extension, which is
// not qzb, so the name is refused rather than turned into "prog..qzb".
bool FileDialog::show(FilePicker::Kind kind) {
    std::optional<std::string> chosen = picker_.pickFile(*this, kind);
    if (!chosen) return !cancelError;
    takeName(std::move(*chosen));
    return true;
}

void FileDialog::takeName(std::string name) {
    const std::string_view lastComponent = std::string_view(name).substr(name.rfind('/') + 1);
    const std::size_t dot = lastComponent.rfind('.');
    flags &= ~extensionDifferent;
    if (dot != std::string_view::npos) {
        if (!equalIgnoringCase(lastComponent.substr(dot + 1), defaultExt)) flags |= extensionDifferent;
    } else if (!lastComponent.empty() && !defaultExt.empty()) {
        name += '.';
        name += defaultExt;
    }
    fileName = std::move(name);
}

}  // namespace qzb
