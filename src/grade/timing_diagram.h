// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "grade/trace_table.h"

namespace qzb {

// The timing diagram of a run as a standalone SVG picture: one column for each row of the
// trace (the oldest at the left) with its step number along the top, PC, A and B as buses
// with their values in binary, and the carry and OUT bits 3-0 as 0/1 waveforms. `qzb-cli run
// --format svg` and the page's Download SVG both write it here, so the same run gives the
// same bytes wherever it was drawn. The colours are presentation attributes, which a page's
// style sheet may override by the elements' classes; there is no script.
//
// Its title names the program by its panel link (`link`, as `qzb-cli link` prints it), the
// input switches (`input`, bit 3 first) and the steps shown. `rows` is never empty.
std::string timingDiagram(std::span<const TraceRow> rows, std::string_view link, std::string_view input);

// The diagram's height, the width of the lanes' names at its left, and the SVG of those names.
inline constexpr int timingHeight = 196;
inline constexpr int timingLabelWidth = 52;
std::string timingLanes();

// The title of that diagram, its width in pixels and the width of one column.
std::string timingTitle(std::span<const TraceRow> rows, std::string_view link, std::string_view input);
int timingWidth(std::span<const TraceRow> rows);
int timingColumnWidth(std::span<const TraceRow> rows);

// The columns of rows[from] onwards alone, as the diagram draws them, for a picture on the
// page that grows as the clock runs: column k stands `k.step - origin` columns right of the
// first. A column draws the edges of the waveforms that changed since the row before it
// (the elements of class qzb-timing-edge), when that row is in `rows`. The columns'
// width follows the last row's step number, which the diagram's title names.
std::string timingColumns(std::span<const TraceRow> rows, std::size_t from, std::uint64_t origin);

// The steps the diagram of a longer run shows, the last ones, as the page's history keeps them.
inline constexpr std::uint64_t timingKeptSteps = 1000;

// Resets a machine on `switches`, runs `steps` instructions and writes the diagram of the
// state after the reset and after each step, of the last timingKeptSteps steps and the row
// before them when there are more. False when the output could not be written.
bool writeTimingDiagram(const PanelSwitches& switches, std::uint64_t steps, std::FILE* out);

}  // namespace qzb
