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

// Hands the fields of `text` to `switches` in file order. Never fails: unreadable
// fields take the held value and refused values leave their switch alone.
void readSettingFile(std::string_view text, PanelSwitches& switches);

}  // namespace qzb
