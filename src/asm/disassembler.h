// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "machine/panel_switches.h"

namespace qzb {

// The statement that assembles to `word` (0-255), such as "B = B + 1".
std::string disassembleWord(std::uint8_t word);

// One row of a program's listing: the word at an address (0-15) and its statement.
struct ListingRow {
    std::string address;    // "00" to "15"
    std::string bits;       // "0101 0001": bits 7-4, a space, bits 3-0; a greyed switch reads as 0
    std::string statement;  // as disassembleWord writes it: "B = B + 1"

    friend bool operator==(const ListingRow&, const ListingRow&) = default;
};
ListingRow listingRow(const PanelSwitches& switches, int address);

// A source that assembles to the same panel: the clock and Beep directives, then
// the words up to the last one that is not 0000 0000, each with its address and
// bits in a comment. Greyed switches read as off, as on the panel, and are named
// in a comment.
std::string disassemble(const PanelSwitches& switches);

}  // namespace qzb
