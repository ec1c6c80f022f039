// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "machine/panel_switches.h"

namespace qzb {

inline constexpr std::string_view settingExtension = "qzb";

// The extension of a file name: the text after the last dot of its last path
// component, or nothing when that component has no dot. So "dir.v2/prog" has
// none, ".qzb" has "qzb" and "prog." has an empty one.
std::optional<std::string_view> fileExtension(std::string_view name);

// Whether the name's extension is qzb, in any letter case.
bool hasSettingExtension(std::string_view name);

// The 132 CR LF lines of a setting file: 128 program bits, the 1 Hz, 10 Hz and
// Manual options, and the Beep switch.
std::string writeSettingFile(const PanelSwitches& switches);

// Why `text` is not a setting file as the panel writes it, naming the first
// wrong field ("line 2 is empty"); nothing when it is one. The panel writes lines
// 1-128 and 132 as 0, 1 or 2 and lines 129-131 as #TRUE# or #FALSE#; either CR LF
// or LF ends a line, the last line may end without one, and anything after line
// 132 is ignored, as Load ignores it. Load itself never asks: it reads any text.
std::optional<std::string> settingFileFault(std::string_view text);

// Hands the fields of `text` to `switches` in file order. Never fails: unreadable
// fields take the held value and refused values leave their switch alone.
void readSettingFile(std::string_view text, PanelSwitches& switches);

}  // namespace qzb
