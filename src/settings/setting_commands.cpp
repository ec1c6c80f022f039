// SPDX-License-Identifier: MIT
#include "settings/setting_commands.h"

#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace qzb {
namespace {

void prepareDialog(FileCommandContext& context, const char* title, std::uint32_t flags) {
    FileDialog& dialog = context.dialog;
    dialog.defaultExt = settingExtension;
    dialog.filter = settingFileFilter;
    dialog.initDir = context.programFolder;
    dialog.dialogTitle = title;
    dialog.flags = flags;
}

constexpr std::uint32_t loadFlags = FileDialog::fileMustExist | FileDialog::hideReadOnly;
constexpr std::uint32_t saveFlags = FileDialog::overwritePrompt | FileDialog::hideReadOnly;

bool extensionDiffers(const FileDialog& dialog) {
    return (dialog.flags & FileDialog::extensionDifferent) != 0;
}

// Load after the dialog: the extension test, the open and the read. The whole file
// is read before the first switch changes, so a failed open changes nothing.
FileCommandOutcome loadChosenFile(FileCommandContext& context, PanelSwitches& switches) {
    if (extensionDiffers(context.dialog)) return {FileCommandResult::Refused, {}};
    if (const std::error_code error = loadSettingFile(context.dialog.fileName, switches))
        return {FileCommandResult::CannotOpen, error};
    return {};
}

}  // namespace

FileCommandOutcome loadSettings(FileCommandContext& context, PanelSwitches& switches) {
    prepareDialog(context, openDialogTitle, loadFlags);
    if (!context.dialog.showOpen()) return {FileCommandResult::Cancelled, {}};
    return loadChosenFile(context, switches);
}

FileCommandOutcome loadSettingsFrom(FileCommandContext& context, const std::string& name,
                                    PanelSwitches& switches) {
    prepareDialog(context, openDialogTitle, loadFlags);
    context.dialog.takeName(name);
    return loadChosenFile(context, switches);
}

FileCommandOutcome saveSettings(FileCommandContext& context, const PanelSwitches& switches) {
    prepareDialog(context, saveDialogTitle, saveFlags);
    FileDialog& dialog = context.dialog;
    if (!dialog.showSave()) return {FileCommandResult::Cancelled, {}};
    if (extensionDiffers(dialog)) return {FileCommandResult::Refused, {}};
    if (const std::error_code error =
            replaceFile(dialog.fileName, writeSettingFile(switches), context.beforeSaveCommit))
        return {FileCommandResult::CannotOpen, error};
    return {};
}

}  // namespace qzb
