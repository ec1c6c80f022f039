// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine/panel_switches.h"

namespace qzb {

// A program as `run` and `test` take it: the panel it describes, or why there is none.
struct Program {
    std::optional<PanelSwitches> switches;
    // One line saying why the program cannot run; empty when it can.
    std::string problem;
    // The assembler's messages, each as FILE:LINE:COLUMN: message.
    std::vector<std::string> messages;
    // One line saying how a setting file differs from what the panel writes,
    // naming the file; empty for a saved file and for a source. `run` and
    // `disasm` read such a file all the same and warn; `test` does not grade it.
    std::string fault;
};

// A .qzb name is read as File > Load reads it over a freshly started panel; any
// other name is assembled in memory, and nothing is written. `run`, `test` and
// `disasm` read their programs here.
Program readProgram(const std::string& path);

}  // namespace qzb
