// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <system_error>

#include "machine/panel_switches.h"
#include "settings/file_dialog.h"

namespace qzb {

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

// File > Load: lets the user pick a setting file, hands its fields to the
// switches and calls `reset`. A cancel, a refused name or a failed open changes nothing.
FileCommandOutcome loadSettings(FileCommandContext& context, PanelSwitches& switches,
                                const std::function<void()>& reset);

// Load of a file named without the dialog (on the command line): the name
// goes into the dialog object as if chosen there, then the same extension
// test, open, read and reset as Load.
FileCommandOutcome loadSettingsFrom(FileCommandContext& context, const std::string& name,
                                    PanelSwitches& switches, const std::function<void()>& reset);

// File > SaveAs: lets the user name a setting file and writes the switches to it.
// The old file is replaced only when the whole new one is written.
FileCommandOutcome saveSettings(FileCommandContext& context, const PanelSwitches& switches);

}  // namespace qzb
