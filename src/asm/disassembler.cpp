// SPDX-License-Identifier: MIT
#include "asm/disassembler.h"

#include <algorithm>
#include <string_view>

#include "asm/instruction_table.h"
#include "common/digits.h"

namespace qzb {
namespace {

// The greyed bits of the word at `address`, highest first ("bits 3, 0"), or nothing.
std::string greyedBits(const PanelSwitches& switches, int address) {
    std::string list;
    for (int bit = 7; bit >= 0; --bit) {
        if (switches.program[static_cast<std::size_t>(address) * 8 + static_cast<std::size_t>(bit)] ==
            SwitchState::Greyed) {
            list += (list.empty() ? "" : ", ") + std::to_string(bit);
        }
    }
    if (list.empty()) return list;
    return (list.size() == 1 ? "greyed bit " : "greyed bits ") + list + " read as off";
}

}  // namespace

ListingRow listingRow(const PanelSwitches& switches, int address) {
    const std::uint8_t word = readProgramWord(switches, address);
    return {addressDigits(address), wordDigits(word), disassembleWord(word)};
}

std::string disassembleWord(std::uint8_t word) {
    const InstructionForm& form = instructionForms[word >> 4];
    const int immediate = word & 15;
    std::string text = form.alternative ? std::string(alternativePrefix) + ' ' : std::string();
    text += form.mnemonic;
    if (form.destination != Destination::Pc) text += " =";
    // A register is followed by "+ n" only when n is not 0; a bare number is always written.
    if (form.source == Source::None) return text + ' ' + std::to_string(immediate);
    text += ' ';
    text += sourceName(form.source);
    if (immediate != 0) text += " + " + std::to_string(immediate);
    return text;
}

std::string disassemble(const PanelSwitches& switches) {
    std::string text = ".clock ";
    text += clockName(switches.clock);
    text += "\n.beep ";
    text += isOn(switches.beep) ? "on" : "off";
    if (switches.beep == SwitchState::Greyed) text += "  ; the Beep switch is greyed and reads as off";
    text += "\n\n";

    int used = 0;  // the words up to the last one that differs from an all-off row
    for (int address = 0; address < 16; ++address) {
        if (readProgramWord(switches, address) != 0 || !greyedBits(switches, address).empty()) {
            used = address + 1;
        }
    }
    for (int address = 0; address < used; ++address) {
        const std::uint8_t word = readProgramWord(switches, address);
        std::string line = "    " + disassembleWord(word);
        line.resize(std::max<std::size_t>(line.size() + 2, 22), ' ');
        line += "; " + addressDigits(address) + ": " + wordDigits(word);
        if (const std::string greyed = greyedBits(switches, address); !greyed.empty()) line += "  " + greyed;
        text += line + '\n';
    }
    if (used < 16) {
        text += "; " + addressDigits(used) + (used == 15 ? "" : "-15") + ": 0000 0000\n";
    }
    return text;
}

}  // namespace qzb
