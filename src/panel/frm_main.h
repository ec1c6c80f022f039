// SPDX-License-Identifier: MIT
#pragma once

#include <QCheckBox>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "front_panel/catalogue.h"
#include "front_panel/panel_layout.h"
#include "front_panel/panel_session.h"
#include "machine/panel_switches.h"
#include "panel/desktop.h"
#include "settings/file_dialog.h"
#include "settings/setting_commands.h"

class QButtonGroup;
class QLabel;
class QRadioButton;

namespace qzb {

// A panel switch. It can show the greyed state a setting file may hold; what a
// click makes of it, the panel session decides: `forwardClick` hands the click on,
// and the window then shows the state the session gives. A press anywhere in its
// rectangle counts, not only on the drawn box.
class SwitchBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    std::function<void()> forwardClick;

protected:
    void nextCheckState() override;
    bool hitButton(const QPoint& pos) const override;
};

// The front panel's window: it builds its controls from the panel's layout table,
// binds each by its role, forwards their events to the panel session and draws
// what the session says each event changed. The controls keep the original
// panel's names as object names.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(Desktop& desktop, QWidget* parent = nullptr);

    // Tests and benchmarks read the panel here, and may set a register state on it.
    PanelSession& session() { return session_; }

    // Four binary digits, or four lamp glyphs, most significant first; a value
    // above 15 is reported and gives the empty string.
    QString DecToBin(int value, bool ledStyle);

    void onTimerTick();
    void onClock();
    void onReset();
    void onLoad();
    // Opens the file named on the command line (`qzb FILE`). A setting file (a
    // name ending in .qzb, or without an extension, which gets .qzb) goes through
    // the same checks, messages and reset as File > Load, without the dialog.
    // Any other name is an assembly source: assembled in memory and loaded as
    // Load loads a file, or its errors shown and nothing changed.
    void openFile(const QString& name);
    void onSaveAs();
    void onAbout();
    void onEnd();
    // What a load does with the switches it read: hands them to the session (which
    // keeps the input switches and resets), then draws the panel.
    void applyLoaded(const PanelSwitches& loaded);

    QTimer Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(QWidget* client);
    void bind(QWidget* widget, const layout::Control& control, QStyle* gridStyle, QStyle* frameStyle);
    void buildMenus();
    void draw(const PanelChange& change);
    void showClockOptions();
    void loadSettingFile(const QString& name);
    void loadSource(const QString& name);
    FileCommandContext fileCommandContext();
    void report(catalogue::FileCommand command, const FileCommandOutcome& outcome);

    Desktop& desktop_;
    PanelSession session_;
    FileDialog dlgFileOpen;
    std::vector<std::pair<SwitchRef, SwitchBox*>> switches_;
    QButtonGroup* clockGroup_ = nullptr;
    std::array<QRadioButton*, 3> clockOptions_{};  // by ClockOption
    std::array<QLabel*, 5> readouts_{};            // by layout::Readout
    std::array<QLabel*, 16> addressLabels_{};
    std::size_t redRow_ = 0;  // the address label drawn red
    const QPalette blackText_;
    const QPalette redText_;
};

}  // namespace qzb
