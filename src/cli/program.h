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
};

// A .qzb name is read as File > Load reads it over a freshly started panel; any
// other name is assembled in memory, and nothing is written.
Program readProgram(const std::string& path);

// `errors` (anything with line, column and message) as FILE:LINE:COLUMN: message
// lines; past the first 20, one line counts the rest.
template <typename Located>
std::vector<std::string> locatedMessages(const std::string& file, const std::vector<Located>& errors) {
    constexpr std::size_t shownAtMost = 20;
    std::vector<std::string> lines;
    for (const Located& error : errors) {
        if (lines.size() == shownAtMost) {
            lines.push_back(file + ": " + std::to_string(errors.size() - shownAtMost) + " more errors");
            break;
        }
        lines.push_back(file + ':' + std::to_string(error.line) + ':' + std::to_string(error.column) + ": " +
                        error.message);
    }
    return lines;
}

}  // namespace qzb
