// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "machine/machine.h"

namespace qzb {

enum class TraceFormat { Text, Csv, Jsonl };

// A machine on `switches`, reset: the one place that starts a machine for `run` and the grader.
Machine startedMachine(const PanelSwitches& switches);

// Resets a machine on `switches` and writes its state after the reset and after
// each of `steps` instructions to `out`. False when the output could not be written.
bool writeTrace(const PanelSwitches& switches, std::uint64_t steps, TraceFormat format, std::FILE* out);

// One row of the text table: the state after `step` instructions, and the address
// of the word that step executed (-1 for the reset).
struct TraceRow {
    std::uint64_t step = 0;
    int executedAt = -1;
    MachineState state;
};

// The text table's header and `rows`, as `run` prints them.
std::string textTraceRows(const PanelSwitches& switches, std::span<const TraceRow> rows);

}  // namespace qzb
