// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qzb {

class FileDialog;

// Shows the desktop's own file dialog. The panel implements it over Qt; tests script it.
class FilePicker {
public:
    enum class Kind { Open, Save };
    virtual ~FilePicker() = default;
    // The chosen path, or nothing when the dialog was closed without a choice.
    virtual std::optional<std::string> pickFile(const FileDialog& dialog, Kind kind) = 0;

protected:
    FilePicker() = default;
    FilePicker(const FilePicker&) = default;
    FilePicker& operator=(const FilePicker&) = default;
};

// The window's one file dialog object (dlgFileOpen): the settings a command
// makes before each showing, the name it returned last, and the flags read back.
class FileDialog {
public:
    static constexpr std::uint32_t overwritePrompt = 0x0002;
    static constexpr std::uint32_t hideReadOnly = 0x0004;
    static constexpr std::uint32_t extensionDifferent = 0x0400;
    static constexpr std::uint32_t fileMustExist = 0x1000;

    explicit FileDialog(FilePicker& picker) : picker_(picker) {}

    std::string defaultExt;
    std::string filter;  // "description|pattern"
    std::string initDir;
    std::string dialogTitle;
    std::uint32_t flags = 0;
    bool cancelError = false;  // report closing without a choice as the cancel signal
    std::string fileName;      // never cleared: the last name returned stays

    // Each returns false on the cancel signal. On a choice, fileName holds the
    // name (with the default extension added to a name that has none) and the
    // extensionDifferent flag tells whether its extension is another one.
    bool showOpen();
    bool showSave();
    // Takes a name as if the dialog had returned it: sets fileName and the
    // extensionDifferent flag the same way.
    void takeName(std::string name);

private:
    bool show(FilePicker::Kind kind);
    FilePicker& picker_;
};

}  // namespace qzb
