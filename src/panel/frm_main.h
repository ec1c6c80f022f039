// SPDX-License-Identifier: MIT
#pragma once

#include <QCheckBox>
#include <QMainWindow>
#include <QTimer>
#include <array>

#include "front_panel/front_panel.h"
#include "machine/panel_switches.h"
#include "panel/desktop.h"
#include "settings/file_dialog.h"
#include "settings/setting_commands.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

namespace qzb {

// A panel switch. It can show the greyed state a setting file may hold, but a
// click only ever toggles between off and on; greyed counts as off, so one
// click turns a greyed switch on. A press anywhere in its rectangle counts,
// not only on the drawn box.
class SwitchBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
    bool hitButton(const QPoint& pos) const override;
};

// The front panel's window: it builds its controls from the panel's layout table,
// forwards their events to the FrontPanel model and draws what the model's
// readouts say. The switch widgets and `switches()` are one state: a click writes
// the record at once, and `showSwitches()` pushes the record back into the widgets.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(Desktop& desktop, QWidget* parent = nullptr);

    Machine& machine() { return panel_.machine(); }
    PanelSwitches& switches() { return panel_.switches(); }

    // Four binary digits, or four lamp glyphs, most significant first; a value
    // above 15 is reported and gives the empty string.
    QString DecToBin(int value, bool ledStyle);
    void refreshDisplay();
    void showSwitches();

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

    std::array<SwitchBox*, PanelSwitches::programBitCount> chkRom{};
    std::array<SwitchBox*, PanelSwitches::inputBitCount> chkInp{};
    SwitchBox* chkBeep = nullptr;
    std::array<QLabel*, 16> Label2{};
    QLabel* lblRegA = nullptr;
    QLabel* lblRegB = nullptr;
    QLabel* lblF = nullptr;
    QLabel* lblPC = nullptr;
    QLabel* lblOUTP = nullptr;
    QRadioButton* optClk1 = nullptr;
    QRadioButton* optClk2 = nullptr;
    QRadioButton* optClk3 = nullptr;
    QPushButton* cmdClock = nullptr;
    QPushButton* cmdReset = nullptr;
    QTimer Timer1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenus();
    void bindSwitch(SwitchBox* box, SwitchState& state);
    void readClockOptions();
    void loadSettingFile(const QString& name);
    void loadSource(const QString& name);
    void showLoadedSwitches();
    void letTabReachOneOption();
    FileCommandContext fileCommandContext();
    void report(const FileCommandOutcome& outcome, bool saving);

    Desktop& desktop_;
    FrontPanel panel_;
    FileDialog dlgFileOpen;
    QButtonGroup* clockOptions_ = nullptr;
    std::array<QString, 16> addressTexts_;
    const QPalette blackText_;
    const QPalette redText_;
};

}  // namespace qzb
