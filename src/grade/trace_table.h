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

// One row of the text table: the state after `step` instructions, and the word that
// step executed and its address (-1 for the reset). The row keeps the word itself, so
// that a switch flipped after the step does not rewrite it.
struct TraceRow {
    std::uint64_t step = 0;
    int executedAt = -1;
    std::uint8_t word = 0;
    MachineState state;
};

// The text table's header and `rows`, as `run` prints them.
std::string textTraceRows(std::span<const TraceRow> rows);

// The header, and `rows` without it, of a table whose last step is `lastStep`: the
// step column is as wide as that step's number needs.
std::string textTraceHeader(std::uint64_t lastStep);
std::string textTraceRowsOnly(std::span<const TraceRow> rows, std::uint64_t lastStep);

}  // namespace qzb
