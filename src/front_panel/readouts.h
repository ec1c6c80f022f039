// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

#include "machine/machine.h"
#include "machine/panel_switches.h"

namespace qzb {

// The five readouts, in the order a change and the page number them.
enum class Readout { A, B, PC, Carry, Out };
inline constexpr int readoutCount = 5;

// A nibble as four binary digits, or as four lamps when `ledStyle`, most
// significant first; nothing for a value above 15.
std::optional<std::string> decToBin(int value, bool ledStyle);

// The text of address label `row`: "Address 00" to "Address 15".
std::string addressText(int row);

// A refresh beeps when Beep is on (exactly on) and output bit 3 is high.
bool beepDue(const MachineState& state, SwitchState beep);

// What a readout shows for the registers, in UTF-8: four binary digits, "1" or "0" for
// the carry, four lamps ("●" high, "○" low) for OUT.
std::string readoutText(const MachineState& state, Readout which);

}  // namespace qzb
