// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "front_panel/panel_session.h"

namespace qzb {

// A UTF-8 text of at most 15 bytes, kept in place.
struct ViewText {
    std::uint8_t length = 0;
    char bytes[15] = {};
};

// Everything the panel shows, as one flat record of bytes for a front end that is not
// C++: the page reads it straight from WebAssembly memory, at the offsets pageJson()
// gives. `changed` names the fields the last update changed, so that the front end
// touches only those.
struct PanelView {
    // Bits of `changed`: one per readout, in layout::Readout's order, then these.
    static constexpr std::uint16_t redRowChanged = 1 << 5;
    static constexpr std::uint16_t switchesChanged = 1 << 6;
    static constexpr std::uint16_t clockChanged = 1 << 7;
    // The history's rows, or whether Step back may undo one.
    static constexpr std::uint16_t historyChanged = 1 << 8;
    static constexpr std::uint16_t everything = 0x1FF;

    std::uint16_t changed = 0;
    std::uint8_t beeps = 0;  // redraws that beeped during the last update's events
    std::uint8_t redRow = 0;
    ClockOption clockOption = ClockOption::Manual;
    ClockOption tabStopOption = ClockOption::Manual;
    SwitchState program[PanelSwitches::programBitCount] = {};
    SwitchState input[PanelSwitches::inputBitCount] = {};
    SwitchState beep = SwitchState::Off;
    ViewText readouts[5];  // indexed by layout::Readout: A, B, PC, carry, OUT
    bool canStepBack = false;
    // The history: the times it started again, and the steps of its oldest and newest rows.
    std::uint32_t historyStarts = 0;
    std::uint32_t historyFirst = 0;
    std::uint32_t historyLast = 0;
};

// Brings `view` up to what `session` shows after events whose redraws beeped `beeps`
// times. A field that differs from what the view held is marked changed, and only then.
void updateView(PanelView& view, const PanelSession& session, int beeps);

}  // namespace qzb
