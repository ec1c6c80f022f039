// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "machine/panel_switches.h"

namespace qzb {

// A saved file is 413 bytes; anything past this much is treated as the end of
// the file, so a huge or endless file can neither freeze the panel nor exhaust memory.
inline constexpr std::size_t settingFileReadLimit = std::size_t{64} * 1024;

// The 132 CR LF lines of a setting file: 128 program bits, the 1 Hz, 10 Hz and
// Manual options, and the Beep switch.
std::string writeSettingFile(const PanelSwitches& switches);

// Hands the fields of `text` to `switches` in file order. Never fails: unreadable
// fields take the held value and refused values leave their switch alone.
void readSettingFile(std::string_view text, PanelSwitches& switches);

}  // namespace qzb
