// SPDX-License-Identifier: MIT
#pragma once

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

// A refresh beeps when Beep is on (exactly on) and output bit 3 is high.
bool beepDue(const MachineState& state, SwitchState beep);

// What the readouts show for the registers, with the Beep switch in `beep`.
Readouts readoutsOf(const MachineState& state, SwitchState beep);

}  // namespace qzb
