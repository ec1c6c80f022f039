// SPDX-License-Identifier: MIT
#pragma once

#include "front_panel/readouts.h"
#include "machine/machine.h"
#include "machine/panel_switches.h"
#include "settings/setting_link.h"

namespace qzb {

// What an event changed, so that a front end redraws only that.
struct PanelChange {
    bool switches = false;  // a switch changed: the one toggled, or every one after a load or a link
    bool clock = false;     // the clock selection changed
    bool readouts = false;  // an instruction ran or the machine was reset: every readout is redrawn
    bool beep = false;      // the redraw beeps: Beep is on and output bit 3 is high

    friend bool operator==(const PanelChange&, const PanelChange&) = default;
};

// The front panel's behaviour without its widgets, the same for the desktop window
// and the web page: the switches, the machine, the 100 ms clock with its 1 Hz divider
// and the buttons. A front end forwards each event of its controls here, then draws
// what the returned change names, from switches(), clockOption() and readouts().
class PanelSession {
public:
    PanelSession() = default;
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    const PanelSwitches& switches() const { return switches_; }
    const MachineState& state() const { return machine_.state(); }
    // Off for a switch that does not exist.
    SwitchState switchState(SwitchRef which) const;
    ClockOption clockOption() const { return optionOf(switches_.clock); }
    Readouts readouts() const { return readoutsOf(machine_.state(), switches_.beep); }
    // The clock option that Tab stops at: the selected one, or the first when none
    // is; the arrow keys move among them.
    ClockOption tabStopOption() const;

    // A click on a switch: off or greyed turns on, on turns off. A switch that
    // does not exist changes nothing.
    PanelChange toggle(SwitchRef which);
    // One option selected, the others cleared; None clears all three.
    PanelChange selectClock(ClockOption option);
    // The 100 ms timer: a step at 10 Hz, one on every tenth tick at 1 Hz, nothing
    // in Manual or with no option selected.
    PanelChange tick();
    // The Clock button: one step, in Manual only.
    PanelChange pressClock();
    // The Reset button: registers cleared; switches, clock selection and divider kept.
    PanelChange pressReset();
    // What a Load read (into a copy of switches()), or an assembled source: it
    // replaces the switches, except the input switches, which no setting holds;
    // then the machine is reset.
    PanelChange applyLoaded(const PanelSwitches& loaded);
    // A link's setting replaces the switches, the input switches turn off and the
    // machine is reset; a link that holds no setting leaves the panel empty (the
    // front end says why), and an empty one changes nothing.
    PanelChange applyLink(const LinkReading& link);

    // Lets tests and benchmarks start from a chosen register state.
    void setState(const MachineState& state) { machine_.setState(state); }

private:
    // Every instruction the panel executes runs through here.
    PanelChange step();
    PanelChange reset();
    PanelChange redrawn() const { return {.readouts = true, .beep = beepDue(state(), switches_.beep)}; }

    PanelSwitches switches_;
    Machine machine_{switches_};
    // Counts ticks while 1 Hz is selected; nothing else reads or clears it.
    int oneHertzDivider_ = 0;
};

}  // namespace qzb
