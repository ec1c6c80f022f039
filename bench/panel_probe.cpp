// The panel measured as the floor is: the window built exactly as the qzb
// program builds it, timed to its first expose, then run at 10 Hz on a small
// counting program for the seconds given as the first argument (default 0).

#include <QApplication>
#include <QRadioButton>

#include "first_show.h"
#include "panel/desktop.h"
#include "panel/frm_main.h"

namespace {

// A = A + 1, B = B + 1, OUT = B, jump to 0: every register readout changes.
void loadCountingProgram(qzb::PanelSwitches& switches) {
    const std::uint8_t program[] = {0b0000'0001, 0b0101'0001, 0b1000'0000, 0b1111'0000};
    for (std::size_t address = 0; address < std::size(program); ++address) {
        for (std::size_t bit = 0; bit < 8; ++bit) {
            const bool on = ((program[address] >> bit) & 1) != 0;
            switches.program[address * 8 + bit] = on ? qzb::SwitchState::On : qzb::SwitchState::Off;
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qzb::QtDesktop desktop;
    qzb::frmMain window(desktop);
    desktop.setDialogParent(&window);

    qzb::bench::FirstShowProbe probe(window, qzb::bench::runSecondsArgument(argc, argv), [&window] {
        loadCountingProgram(window.switches());
        window.showSwitches();
        window.optClk2->click();
    });
    window.show();
    return QApplication::exec();
}
