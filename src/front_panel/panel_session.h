// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front_panel/readouts.h"
#include "machine/machine.h"
#include "machine/panel_switches.h"
#include "settings/setting_link.h"

namespace qzb {

// What an event changed, as the session knows it where it makes the change: a front end
// draws exactly this, and never compares what it shows with what the session holds.
struct PanelChange {
    std::uint16_t words = 0;    // bit n: a switch of the program word at address n
    bool input = false;         // an input switch
    bool beepSwitch = false;    // the Beep switch
    bool clock = false;         // the clock selection, and with it the option Tab stops at
    std::uint8_t readouts = 0;  // bit n: the text of Readout n
    bool redRow = false;        // the row the PC points at
    // The history's rows, or whether Step back may undo one.
    bool history = false;
    // The history started again: at a reset, a load, a link or an assembly.
    bool historyStarted = false;
    int beeps = 0;  // redraws that beeped: Beep on and output bit 3 high

    // What a front end draws first: everything.
    static PanelChange everything();
    bool names(SwitchRef which) const;
    bool names(Readout which) const { return ((readouts >> static_cast<int>(which)) & 1) != 0; }
    // Both changes, as one event that made them in turn.
    PanelChange& operator|=(const PanelChange& later);

    friend bool operator==(const PanelChange&, const PanelChange&) = default;
};

// A row of the history, as the text table of a run shows it: the registers after
// `step` instructions since the reset, and the word that step executed and where
// it was (executedAt -1 for the reset).
struct HistoryRow {
    std::uint64_t step = 0;
    int executedAt = -1;
    std::uint8_t word = 0;
    MachineState state;

    friend bool operator==(const HistoryRow&, const HistoryRow&) = default;
};

// The front panel's behaviour without its widgets, the same for the desktop window
// and the web page: the switches, the machine, the 100 ms clock with its 1 Hz divider
// and the buttons. A front end forwards each event of its controls here, then draws
// what the returned change names, from switches(), clockOption() and state().
//
// The session also keeps a history of the steps since the machine was last reset
// (by Reset, a load, a link or an assembly), which Step back undoes, and a set of
// breakpoints that stop a running clock.
class PanelSession {
public:
    // The steps the history keeps; older ones are forgotten.
    static constexpr std::size_t keptSteps = 1000;

    PanelSession() = default;
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    const PanelSwitches& switches() const { return switches_; }
    const MachineState& state() const { return machine_.state(); }
    // Off for a switch that does not exist.
    SwitchState switchState(SwitchRef which) const;
    ClockOption clockOption() const { return optionOf(switches_.clock); }
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
    // An assembly source applied as a load: nothing in `problems` and the change; or the
    // panel as it was and why not, one reason a line. The reasons name the source
    // `sizeName` when it is too large, and `lineName` before each line's number.
    PanelChange applySource(std::string_view source, std::string_view sizeName, std::string_view lineName,
                            std::vector<std::string>& problems);
    // One statement (see assembleStatement) into the eight switches of the word at `address`
    // (0-15), as clicks on them would set them: nothing in `problems` and the change; or the
    // panel as it was and the assembler's messages, one a line.
    PanelChange applyStatement(int address, std::string_view statement, std::vector<std::string>& problems);
    // A link's setting replaces the switches, the input switches turn off and the
    // machine is reset; a link that holds no setting leaves the panel empty (the
    // front end says why), and an empty one changes nothing.
    PanelChange applyLink(const LinkReading& link);

    // The newest `count` rows of the history, oldest first: the row before the
    // oldest kept step (row 0, the reset, until more than keptSteps have run), then
    // one row for each kept step.
    std::vector<HistoryRow> history(std::size_t count = keptSteps + 1) const;
    // The number of the history's first row.
    std::uint64_t firstHistoryStep() const { return base_.step; }
    // The step the machine has come to: the number of the history's last row.
    std::uint64_t stepNumber() const { return base_.step + keptCount_; }
    // What step stepNumber() did, kept even once the history holds no step after it;
    // nothing after a reset.
    std::optional<StepRecord> lastStep() const;

    // Whether Step back may undo a step now: Manual is selected and a step is kept.
    bool canStepBack() const { return switches_.clock.manual && keptCount_ > 0; }
    // Step back: A, B, OUT, carry and PC become what they were before the last kept
    // step, which the history forgets. The switches and the 1 Hz divider stay.
    // Nothing changes when canStepBack() is false.
    PanelChange stepBack();

    // A running clock (1 Hz or 10 Hz) stops at a breakpoint before the word there
    // runs: whenever the PC comes to it by a step of that clock, or by a reset, a
    // load, a link or an assembly that leaves one running, Manual is selected. The
    // breakpoints stay through loads and resets. Addresses outside 0-15 have none.
    void setBreakpoint(int address, bool set);
    bool breakpointAt(int address) const;

    // Lets tests and benchmarks start from a chosen register state; the history
    // starts again from it.
    PanelChange setState(const MachineState& state);

private:
    // Every instruction the panel executes runs through here, and every reset.
    PanelChange step();
    PanelChange reset();
    // What a redraw shows after the registers were `before`.
    PanelChange changedFrom(const MachineState& before) const;
    // Where the PC has come to: Manual at a breakpoint while a clock runs.
    void arrive(PanelChange& change);
    // The switches become `switches`; the ones that differ.
    PanelChange replaceSwitches(const PanelSwitches& switches);
    void startHistory();

    PanelSwitches switches_;
    Machine machine_{switches_};
    // Counts ticks while 1 Hz is selected; nothing else reads or clears it.
    int oneHertzDivider_ = 0;

    // The history: the row before the oldest kept step, with what that step did once
    // it is no longer kept, then the kept steps in a ring, the oldest at keptFirst_.
    HistoryRow base_;
    std::optional<StepRecord> baseStep_;
    std::array<StepRecord, keptSteps> kept_{};
    std::size_t keptFirst_ = 0;
    std::size_t keptCount_ = 0;

    std::uint16_t breakpoints_ = 0;  // bit n: a breakpoint at address n
};

}  // namespace qzb
