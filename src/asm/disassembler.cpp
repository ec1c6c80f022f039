// SPDX-License-Identifier: MIT
#include "asm/disassembler.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qzb {
namespace {

// Each upper nibble's statement before its number. The forms that add a
// register print "+ n" only when n is not 0; the others always print n.
struct Form {
    std::string_view text;
    bool addsRegister;
};

constexpr std::array<Form, 16> forms = {{
    {"A = A", true},
    {"A = B", true},
    {"A = IN", true},
    {"A = ", false},
    {"B = A", true},
    {"B = B", true},
    {"B = IN", true},
    {"B = ", false},
    {"OUT = B", true},
    {"ALT OUT = B", true},
    {"OUT = ", false},
    {"ALT OUT = ", false},
    {"JNC B", true},
    {"JMP B", true},
    {"JNC ", false},
    {"JMP ", false},
}};

std::string bits(int value, int count) {
    std::string text;
    for (int bit = count - 1; bit >= 0; --bit) text += ((value >> bit) & 1) != 0 ? '1' : '0';
    return text;
}

std::string twoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

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

std::string disassembleWord(std::uint8_t word) {
    const Form& form = forms[word >> 4];
    const int immediate = word & 15;
    std::string text(form.text);
    if (!form.addsRegister) {
        text += std::to_string(immediate);
    } else if (immediate != 0) {
        text += " + " + std::to_string(immediate);
    }
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
        const int word = readProgramWord(switches, address);
        std::string line = "    " + disassembleWord(static_cast<std::uint8_t>(word));
        line.resize(std::max<std::size_t>(line.size() + 2, 22), ' ');
        line += "; " + twoDigits(address) + ": " + bits(word >> 4, 4) + ' ' + bits(word & 15, 4);
        if (const std::string greyed = greyedBits(switches, address); !greyed.empty()) line += "  " + greyed;
        text += line + '\n';
    }
    if (used < 16) {
        text += "; " + twoDigits(used) + (used == 15 ? "" : "-15") + ": 0000 0000\n";
    }
    return text;
}

}  // namespace qzb
