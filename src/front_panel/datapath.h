// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "front_panel/panel_session.h"

namespace qzb {

// A part of the machine as the page's Datapath picture shows it: A, B, IN, OUT, PC,
// carry, im or adder, its value as the panel shows it (four binary digits, the carry 0
// or 1), whether the last step's path ran through it, and what last wrote it.
inline constexpr std::array<std::string_view, 8> datapathParts = {"A",  "B",     "IN", "OUT",
                                                                  "PC", "carry", "im", "adder"};
struct DatapathPart {
    std::string_view part;
    std::string value;
    bool active = false;
    std::string title;
};

// A wire of the picture: from-A, from-B, from-IN and from-0 into the source selector,
// source from it into the adder, im, sum out of the adder, carry out of it into the
// flag, and to-A, to-B, to-OUT and to-PC from the sum to where it is written. A wire the
// last step used carries its value; the others carry none.
struct DatapathWire {
    std::string_view wire;
    std::string value;
    bool active = false;
};

// What the last step did, drawn: the word it ran, split into its operation and im, the
// path from its source through the adder to its destination, and for a jump whether it
// was taken. Before any step, the word at PC and no path.
struct Datapath {
    // The Last step sentence, which names the picture; empty before any step.
    std::string name;
    std::string address;    // of the word: "00"
    std::string operation;  // its bits 7-4: "0101"
    std::string statement;  // "B = B + 1"
    std::string jump;       // "carry was 1, no jump"; empty for a step that is not a jump
    std::vector<DatapathPart> parts;
    std::vector<DatapathWire> wires;
};

Datapath datapath(const PanelSession& session);

}  // namespace qzb
