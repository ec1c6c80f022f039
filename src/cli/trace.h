// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>

#include "machine/panel_switches.h"

namespace qzb {

enum class TraceFormat { Text, Csv, Jsonl };

// Resets a machine on `switches` and writes its state after the reset and after
// each of `steps` instructions to `out`. False when the output could not be written.
bool writeTrace(const PanelSwitches& switches, std::uint64_t steps, TraceFormat format, std::FILE* out);

}  // namespace qzb
