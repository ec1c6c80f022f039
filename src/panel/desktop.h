// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "settings/file_dialog.h"

class QWidget;

namespace qzb {

// Everything the window asks of the desktop: message boxes, the beep and the
// file dialog. The application uses QtDesktop; tests install a recording one,
// so no test ever waits on a modal window.
class Desktop : public FilePicker {
public:
    enum class Icon { None, Information, Error };
    // A modal box with one OK button and the caption catalogue::messageCaption.
    virtual void showMessage(Icon icon, const QString& text) = 0;
    virtual void beep() = 0;
};

// Where the file dialogs open: the program's folder, unless the program cannot
// write there (an installed program usually cannot), then the user's documents,
// or the home folder where there is no documents folder.
QString dialogStartFolder(const QString& programFolder, const QString& documentsFolder,
                          const QString& homeFolder);

class QtDesktop final : public Desktop {
public:
    explicit QtDesktop(QWidget* dialogParent = nullptr) : parent_(dialogParent) {}
    void setDialogParent(QWidget* parent) { parent_ = parent; }

    void showMessage(Icon icon, const QString& text) override;
    void beep() override;
    std::optional<std::string> pickFile(const FileDialog& dialog, Kind kind) override;
    bool confirmOverwrite(const FileDialog& dialog, const std::string& path) override;

private:
    QWidget* parent_;
};

}  // namespace qzb
