// SPDX-License-Identifier: MIT
#include "settings/setting_commands.h"

#include <optional>

#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace qzb {
namespace {

constexpr const char* settingExtension = "qzb";
constexpr const char* settingFilter = "QZB File|*.qzb";

void prepareDialog(FileCommandContext& context, const char* title, std::uint32_t flags) {
    FileDialog& dialog = context.dialog;
    dialog.defaultExt = settingExtension;
    dialog.filter = settingFilter;
    dialog.initDir = context.programFolder;
    dialog.dialogTitle = title;
    dialog.flags = flags;
    dialog.cancelError = true;
}

// Load after the dialog: the extension test, the open, the read and the reset.
void loadChosenFile(FileCommandContext& context, PanelSwitches& switches,
                    const std::function<void()>& reset) {
    const FileDialog& dialog = context.dialog;
    if ((dialog.flags & FileDialog::extensionDifferent) != 0) {
        context.showError(loadRefusedMessage);
        return;
    }
    const std::optional<std::string> text = readSettingText(dialog.fileName);
    if (!text) {
        context.showError(fileNotFoundMessage);
        return;
    }
    readSettingFile(*text, switches);
    reset();
}

}  // namespace

void loadSettings(FileCommandContext& context, PanelSwitches& switches, const std::function<void()>& reset) {
    prepareDialog(context, "Open Setting File", FileDialog::fileMustExist | FileDialog::hideReadOnly);
    if (!context.dialog.showOpen()) return;
    loadChosenFile(context, switches, reset);
}

void loadSettingsFrom(FileCommandContext& context, const std::string& name, PanelSwitches& switches,
                      const std::function<void()>& reset) {
    prepareDialog(context, "Open Setting File", FileDialog::fileMustExist | FileDialog::hideReadOnly);
    context.dialog.takeName(name);
    loadChosenFile(context, switches, reset);
}

void saveSettings(FileCommandContext& context, const PanelSwitches& switches) {
    prepareDialog(context, "Save Setting File", FileDialog::overwritePrompt | FileDialog::hideReadOnly);
    FileDialog& dialog = context.dialog;
    if (!dialog.showSave()) return;
    if ((dialog.flags & FileDialog::extensionDifferent) != 0) {
        context.showError(saveRefusedMessage);
        return;
    }
    if (!replaceFile(dialog.fileName, writeSettingFile(switches), context.beforeSaveCommit)) {
        context.showError(cannotWriteMessage);
    }
}

}  // namespace qzb
