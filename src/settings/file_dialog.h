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
    // A save dialog never asks about replacing a file itself: the dialog object
    // asks, once it knows the name that will be written.
    virtual std::optional<std::string> pickFile(const FileDialog& dialog, Kind kind) = 0;
    // Asks whether the existing file `path` may be replaced, as a save dialog would.
    virtual bool confirmOverwrite(const FileDialog& dialog, const std::string& path) = 0;

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
    std::string fileName;  // never cleared: the last name returned stays

    // Each returns false when the dialog was closed without a choice. On a
    // choice, fileName holds the name (with the default extension added to a
    // name that has none) and the extensionDifferent flag tells whether its
    // extension is another one.
    bool showOpen();
    // With overwritePrompt, an existing file is named only once the user has
    // agreed to replace it, under the very name that will be written; "No"
    // goes back to choosing a name.
    bool showSave();
    // Takes a name as if the dialog had returned it: sets fileName and the
    // extensionDifferent flag the same way.
    void takeName(std::string name);

private:
    FilePicker& picker_;
};

}  // namespace qzb
