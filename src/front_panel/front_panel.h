// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "machine/machine.h"
#include "machine/panel_switches.h"

namespace qzb {

// What the panel shows after a refresh. Texts are UTF-8.
struct Readouts {
    std::string registerA;       // lblRegA: four binary digits
    std::string registerB;       // lblRegB
    std::string programCounter;  // lblPC
    std::string carry;           // lblF: "1" or "0"
    std::string output;          // lblOUTP: four lamps, "●" high, "○" low
    int redRow = 0;              // the address label drawn red: the word PC points at
    bool beep = false;           // Beep is on and output bit 3 is high

    friend bool operator==(const Readouts&, const Readouts&) = default;
};

// A nibble as four binary digits, or as four lamps when `ledStyle`, most
// significant first; nothing for a value above 15.
std::optional<std::string> decToBin(int value, bool ledStyle);

// The text of address label `row`: "Address 00" to "Address 15".
std::string addressText(int row);

// The front panel's behaviour without its widgets: the switches, the machine, the
// 100 ms clock with its 1 Hz divider, the Clock and Reset buttons and what the
// readouts show. A front end builds the controls, forwards their events here and
// draws what readouts() says whenever the refresh action runs.
class FrontPanel {
public:
    // `refresh` runs after every instruction and every reset.
    explicit FrontPanel(std::function<void()> refresh = {}) : machine_(switches_, std::move(refresh)) {}
    FrontPanel(const FrontPanel&) = delete;
    FrontPanel& operator=(const FrontPanel&) = delete;

    PanelSwitches& switches() { return switches_; }
    const PanelSwitches& switches() const { return switches_; }
    Machine& machine() { return machine_; }
    const MachineState& state() const { return machine_.state(); }

    // A tick of the 100 ms timer: a step at 10 Hz, one on every tenth tick at
    // 1 Hz, nothing in Manual or with no option selected.
    void tick();
    // The Clock button: one step, in Manual only.
    void clock();
    // The Reset button, and the end of every load: registers cleared, switches,
    // clock selection and divider kept.
    void reset() { machine_.reset(); }

    Readouts readouts() const;

    // The clock option that Tab stops at (0 = 1Hz, 1 = 10Hz, 2 = Manual): the
    // selected one, or the first when none is; the arrow keys move among them.
    int tabStopOption() const;

private:
    PanelSwitches switches_;
    Machine machine_;
    // Counts ticks while 1 Hz is selected; nothing else reads or clears it.
    int oneHertzDivider_ = 0;
};

}  // namespace qzb
