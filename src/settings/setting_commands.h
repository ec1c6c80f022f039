// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <system_error>

#include "machine/panel_switches.h"
#include "settings/file_dialog.h"

namespace qzb {

// The file dialog's titles and filter.
inline constexpr const char* openDialogTitle = "Open Setting File";
inline constexpr const char* saveDialogTitle = "Save Setting File";
inline constexpr const char* settingFileFilter = "QZB File|*.qzb";

// How a Load or SaveAs ended; the front end words it for the user.
enum class FileCommandResult {
    Done,
    Cancelled,   // the dialog was closed without a choice
    Refused,     // the name has an extension other than qzb; no file was opened
    CannotOpen,  // the file could not be opened for reading or writing
};

struct FileCommandOutcome {
    FileCommandResult result = FileCommandResult::Done;
    std::error_code error;  // why the open failed, for CannotOpen

    friend bool operator==(const FileCommandOutcome&, const FileCommandOutcome&) = default;
};

// What the Load and SaveAs commands need from the window that runs them.
struct FileCommandContext {
    FileDialog& dialog;
    std::string programFolder;  // the dialog's initial folder
    // Runs when a save has written its whole text to the temporary file, just
    // before it replaces the old file. Empty in the program; tests disturb the
    // file system here to make the replacing fail.
    std::function<void()> beforeSaveCommit = {};
};

// File > Load: lets the user pick a setting file and hands its fields to
// `switches`, a copy of the panel's switches; the caller applies the copy (and
// resets) when the outcome is Done. A cancel, a refused name or a failed open
// leaves the copy as it was.
FileCommandOutcome loadSettings(FileCommandContext& context, PanelSwitches& switches);

// Load of a file named without the dialog (on the command line): the name
// goes into the dialog object as if chosen there, then the same extension
// test, open and read as Load.
FileCommandOutcome loadSettingsFrom(FileCommandContext& context, const std::string& name,
                                    PanelSwitches& switches);

// File > SaveAs: lets the user name a setting file and writes the switches to it.
// The old file is replaced only when the whole new one is written.
FileCommandOutcome saveSettings(FileCommandContext& context, const PanelSwitches& switches);

}  // namespace qzb
