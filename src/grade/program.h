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

// The program in `bytes`, a file called `name`. A .qzb name is a setting file, read
// as File > Load reads it over a freshly started panel (of its first 64 KiB, where
// Load stops); any other name is a source, assembled in memory. Messages name the file.
Program programFromBytes(std::string_view name, std::string_view bytes);

// The same for the file at `path`; `run`, `test`, `disasm` and `link` read their programs here.
// Messages name the file `shownName` when given, as a report for a student names it.
Program readProgram(const std::string& path, std::string_view shownName = {});

// Whether `name` ends in .qzt, in any letter case: a test file, which is never graded as a program.
bool hasTestFileExtension(std::string_view name);

// Whether a file handed in as a test file is a program instead: a setting file,
// or a source with at least one word (a file of comments alone assembles too).
bool isProgram(std::string_view name, std::string_view bytes);

}  // namespace qzb
