// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "machine/panel_switches.h"

// A whole panel setting in a link's fragment, which a browser never sends to a server:
//
//   #qzb1.<on>.<greyed>.<clock>.<beep>
//
// <on>     32 hex digits: the 16 program words, address 00 first, two digits each, bit 7
//          first; a 1 bit is a switch that is on. "#qzb1.3F01..." sets the word at address
//          00 to 0011 1111.
// <greyed> empty, or 32 hex digits in the same order: a 1 bit is a greyed switch (the state
//          a loaded "2" gives). A switch may not be both on and greyed.
// <clock>  1hz, 10hz, manual, or none (no option selected, as some files leave it).
// <beep>   0 off, 1 on, 2 greyed.
//
// Hex digits and the clock's name may be in either case; anything else is refused whole.
// A link holds what a setting file holds: not the input switches.
namespace qzb {

// The fragment, with its '#', as Copy link makes it: hex digits in capitals, the
// greyed part empty when no program switch is greyed.
std::string settingLink(const PanelSwitches& switches);

struct LinkReading {
    // The setting, with the input switches off; nothing for an empty fragment or a fault.
    std::optional<PanelSwitches> switches;
    // Why the fragment holds no setting, as the end of "This link does not hold a QZB
    // panel setting: ..."; empty for an empty fragment.
    std::string fault;

    friend bool operator==(const LinkReading&, const LinkReading&) = default;
};

// Reads a fragment, with or without its leading '#'.
LinkReading readSettingLink(std::string_view fragment);

// An exercise in a link's fragment: a test file, and a panel setting to start from
// when the link has one:
//
//   #qzt1.<test file>&qzb1.<on>.<greyed>.<clock>.<beep>
//
// <test file>  the test file's bytes in base64url (RFC 4648, '-' and '_'), without
//              padding; under 64 KiB, as the command line reads a test file.
// &qzb1....    optional: a panel setting as a setting link writes it after its '#'.
//
// Anything else is refused whole.

// Whether a fragment, with or without its '#', is meant as an exercise link.
bool isExerciseLink(std::string_view fragment);

// The fragment, with its '#'. `testFile` must be under 64 KiB for the link to read back.
std::string exerciseLink(std::string_view testFile, const std::optional<PanelSwitches>& start = std::nullopt);

struct ExerciseLinkReading {
    // The test file's bytes; nothing for an empty fragment or a fault.
    std::optional<std::string> testFile{};
    // The panel setting to start from, when the link has one.
    std::optional<PanelSwitches> start{};
    // Why the fragment holds no exercise, in the style of LinkReading's fault; empty
    // for an empty fragment.
    std::string fault;

    friend bool operator==(const ExerciseLinkReading&, const ExerciseLinkReading&) = default;
};

// Reads a fragment, with or without its leading '#'.
ExerciseLinkReading readExerciseLink(std::string_view fragment);

}  // namespace qzb
