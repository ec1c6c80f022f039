// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One fault in a text a user wrote (an assembly source, a test file), and how
// every front end lists such faults.
namespace qzb {

// At a 1-based line and byte column.
struct Diagnostic {
    int line = 0;
    int column = 0;
    std::string message;

    friend bool operator==(const Diagnostic&, const Diagnostic&) = default;
};

// No list shows more than this many; one more line counts the rest.
inline constexpr std::size_t diagnosticsShownAtMost = 20;

// FILE:LINE:COLUMN: message, one a line; past the first 20, "FILE: N more
// errors". With no file name, LINE:COLUMN: message and "N more errors".
inline std::vector<std::string> locatedMessages(std::string_view file,
                                                const std::vector<Diagnostic>& errors) {
    const std::string prefix = file.empty() ? std::string() : std::string(file) + ':';
    std::vector<std::string> lines;
    for (const Diagnostic& error : errors) {
        if (lines.size() == diagnosticsShownAtMost) {
            lines.push_back((file.empty() ? std::string() : std::string(file) + ": ") +
                            std::to_string(errors.size() - diagnosticsShownAtMost) + " more errors");
            break;
        }
        lines.push_back(prefix + std::to_string(error.line) + ':' + std::to_string(error.column) + ": " +
                        error.message);
    }
    return lines;
}

}  // namespace qzb
