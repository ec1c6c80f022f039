// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include "machine/panel_switches.h"
#include "settings/file_dialog.h"

namespace qzb {

inline constexpr const char* loadRefusedMessage =
    "無効なファイルが選択されました。ファイルはロードされませんでした。";
inline constexpr const char* saveRefusedMessage =
    "無効なファイルが選択されました。ファイルは保存されませんでした。";
inline constexpr const char* fileNotFoundMessage = "File Not Found";
inline constexpr const char* cannotWriteMessage = "書き込めません。";

// What the Load and SaveAs commands need from the window that runs them.
struct FileCommandContext {
    FileDialog& dialog;
    std::string programFolder;                          // the dialog's initial folder
    std::function<void(const std::string&)> showError;  // modal, error icon, caption QZBEmu
    // Runs when a save has written its whole text to the temporary file, just
    // before it replaces the old file. Empty in the program; tests disturb the
    // file system here to make the replacing fail.
    std::function<void()> beforeSaveCommit = {};
};

// File > Load: lets the user pick a setting file, hands its fields to the
// switches and calls `reset`. A cancel, a refused name or a failed open changes nothing.
void loadSettings(FileCommandContext& context, PanelSwitches& switches, const std::function<void()>& reset);

// Load of a file named without the dialog (on the command line): the name
// goes into the dialog object as if chosen there, then the same extension
// test, messages, open, read and reset as Load.
void loadSettingsFrom(FileCommandContext& context, const std::string& name, PanelSwitches& switches,
                      const std::function<void()>& reset);

// File > SaveAs: lets the user name a setting file and writes the switches to it.
// The old file is replaced only when the whole new one is written.
void saveSettings(FileCommandContext& context, const PanelSwitches& switches);

}  // namespace qzb
