// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostic.h"
#include "machine/panel_switches.h"

namespace qzb {

using AssemblyError = Diagnostic;

struct Assembly {
    // The panel the source describes: every switch 0 or 1, the input port off.
    PanelSwitches switches;
    int wordCount = 0;
    // In source order; the panel counts only when this is empty.
    std::vector<AssemblyError> errors;
};

// The QZB assembly language. One statement per line, `;` starts a comment, a
// line may begin with labels (`loop:`). Keywords and register names are read in
// any letter case; labels are case-sensitive. Numbers are decimal (12), hex
// (0xC) or binary (0b1100).
//
//   A = A + n   A = B + n   A = IN + n   A = n        words 0000 to 0011
//   B = A + n   B = B + n   B = IN + n   B = n        words 0100 to 0111
//   OUT = B + n             OUT = n                   words 1000, 1010
//   ALT OUT = B + n         ALT OUT = n               words 1001, 1011
//   JNC B + n   JMP B + n   JNC n        JMP n        words 1100 to 1111
//   .word n                 a raw word, 0-255
//   .clock 1hz | 10hz | manual | none                 (default manual)
//   .beep on | off                                    (default off)
//
// `+ n` may be left out (n = 0) and may come first (`A = 1 + B`); n is a number
// or a label, which stands for its address. ALT picks the twin word that the
// machine runs exactly like its plain form.
Assembly assemble(std::string_view source);

// One statement for one word, as a row of the Program pane takes it: an instruction or
// `.word n`, with numbers rather than labels, on one line. The word, or the errors, each at
// line 1 and a column of `statement`.
struct StatementAssembly {
    std::optional<std::uint8_t> word{};
    std::vector<AssemblyError> errors{};
};
StatementAssembly assembleStatement(std::string_view statement);

// Readers stop at 64 KiB, so a source that reaches that size may have been cut short
// and is refused whole: "NAME is too large for a QZB source (64 KiB or more)".
inline constexpr std::size_t sourceSizeLimit = std::size_t{64} * 1024;
std::optional<std::string> sourceSizeProblem(std::string_view name, std::size_t size);

}  // namespace qzb
