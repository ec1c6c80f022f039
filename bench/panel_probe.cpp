// SPDX-License-Identifier: MIT
// The panel measured as the floor is: the window built exactly as the qzb
// program builds it, timed to its first expose, then run at 10 Hz on a small
// counting program for the seconds given as the first argument (default 0).

#include <QApplication>
#include <QRadioButton>

#include "bench_support.h"
#include "first_show.h"
#include "panel/desktop.h"
#include "panel/frm_main.h"

namespace {

// A = A + 1, B = B + 1, OUT = B, jump to 0: every register readout changes.
qzb::PanelSwitches countingProgram() {
    qzb::PanelSwitches switches;
    qzb::bench::loadProgram(switches, {0b0000'0001, 0b0101'0001, 0b1000'0000, 0b1111'0000});
    return switches;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qzb::QtDesktop desktop;
    qzb::frmMain window(desktop);
    desktop.setDialogParent(&window);

    qzb::bench::FirstShowProbe probe(window, qzb::bench::runSecondsArgument(argc, argv), [&window] {
        window.applyLoaded(countingProgram());
        window.findChild<QRadioButton*>(QStringLiteral("optClk2"))->click();
    });
    window.show();
    return QApplication::exec();
}
