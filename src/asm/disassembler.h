// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "machine/panel_switches.h"

namespace qzb {

// The statement that assembles to `word` (0-255), such as "B = B + 1".
std::string disassembleWord(std::uint8_t word);

// A source that assembles to the same panel: the clock and Beep directives, then
// the words up to the last one that is not 0000 0000, each with its address and
// bits in a comment. Greyed switches read as off, as on the panel, and are named
// in a comment.
std::string disassemble(const PanelSwitches& switches);

}  // namespace qzb
