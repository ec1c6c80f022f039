// SPDX-License-Identifier: MIT
#include "panel/desktop.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "front_panel/catalogue.h"

namespace qzb {

namespace {

// "Setting file|*.qzb" becomes "Setting file (*.qzb)"; further pairs become further filters.
QString qtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << QStringLiteral("%1 (%2)").arg(
            parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace

QString dialogStartFolder(const QString& programFolder, const QString& documentsFolder,
                          const QString& homeFolder) {
    const QFileInfo folder(programFolder);
    if (folder.isDir() && folder.isWritable()) return programFolder;
    return QFileInfo(documentsFolder).isDir() ? documentsFolder : homeFolder;
}

void QtDesktop::showMessage(Icon icon, const QString& text) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromUtf8(catalogue::messageCaption.data(),
                                         static_cast<qsizetype>(catalogue::messageCaption.size())));
    box.setText(text);
    switch (icon) {
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Error: box.setIcon(QMessageBox::Critical); break;
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtDesktop::beep() {
    QApplication::beep();
}

std::optional<std::string> QtDesktop::pickFile(const FileDialog& dialog, Kind kind) {
    // The desktop's own dialog where it offers one; Qt's widget dialog where it does not.
    QFileDialog picker(parent_, QString::fromStdString(dialog.dialogTitle),
                       QString::fromStdString(dialog.initDir), qtFilter(dialog.filter));
    picker.setDefaultSuffix(QString::fromStdString(dialog.defaultExt));
    if (kind == Kind::Save) {
        picker.setAcceptMode(QFileDialog::AcceptSave);
        picker.setFileMode(QFileDialog::AnyFile);
        // A desktop's own dialog may ask about the name as typed, before Qt adds the
        // extension; the dialog object asks instead, about the name that is written.
        picker.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        picker.setAcceptMode(QFileDialog::AcceptOpen);
        picker.setFileMode((dialog.flags & FileDialog::fileMustExist) != 0 ? QFileDialog::ExistingFile
                                                                           : QFileDialog::AnyFile);
    }
    if (!dialog.fileName.empty()) picker.selectFile(QString::fromStdString(dialog.fileName));
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(picker.selectedFiles().constFirst()).toStdString();
}

// Worded as Qt's own save dialog asks, with "No" as the default.
bool QtDesktop::confirmOverwrite(const FileDialog& dialog, const std::string& path) {
    const QString name = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
    return QMessageBox::warning(parent_, QString::fromStdString(dialog.dialogTitle),
                                QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(name),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace qzb
