// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include "front_panel/panel_session.h"

namespace qzb {

// A UTF-8 text of at most 23 bytes, kept in place.
struct ViewText {
    std::uint8_t length = 0;
    char bytes[23] = {};
};

// The switches in the view: the program's, the input port's, then Beep.
inline constexpr int viewSwitchCount = PanelSwitches::programBitCount + PanelSwitches::inputBitCount + 1;
int viewSwitchIndex(SwitchRef which);
// The switch at `index`; nothing outside the view's switches.
std::optional<SwitchRef> viewSwitch(int index);

// Everything the panel and its panes show, as one flat record of bytes for a front end
// that is not C++: the page reads it straight from WebAssembly memory, at the offsets
// pageJson() gives, and its TypeScript names the fields as pageTypes() declares them,
// both from this one list. A field is a number (little-endian, of its size) or a
// ViewText; with a count above 1, that many in a row.
//
#define QZB_PANEL_VIEW_FIELDS(FIELD)                                                         \
    FIELD(std::uint32_t, changed, 1) /* bits of viewChange: what the last event changed */   \
    FIELD(std::uint8_t, beeps, 1)    /* redraws that beeped during the last event */         \
    FIELD(std::uint8_t, redRow, 1)   /* the address the PC points at */                      \
    FIELD(ClockOption, clockOption, 1)                                                       \
    FIELD(ClockOption, tabStopOption, 1)                                                     \
    FIELD(bool, canStepBack, 1)                                                              \
    FIELD(SwitchState, switches, viewSwitchCount) /* at viewSwitchIndex() */                 \
    FIELD(ViewText, readouts, readoutCount)       /* by Readout */                           \
    FIELD(ViewText, words, 16)                    /* the listing by address: "0101 0001" */  \
    FIELD(ViewText, statements, 16)               /* "B = B + 1" */                          \
    FIELD(std::uint32_t, historyFirst, 1)         /* the step of the history's oldest row */ \
    FIELD(std::uint32_t, historyLast, 1)          /* and of its newest */

struct PanelView {
#define QZB_DECLARE_VIEW_FIELD(type, name, count) \
    std::conditional_t<(count) == 1, type, std::array<type, count>> name{};
    QZB_PANEL_VIEW_FIELDS(QZB_DECLARE_VIEW_FIELD)
#undef QZB_DECLARE_VIEW_FIELD
};

// Where a field of the view lies.
struct ViewField {
    std::string_view name;
    std::size_t offset = 0;
    std::size_t size = 0;  // of one element
    std::size_t count = 1;
    bool text = false;  // a ViewText, else a number
};
std::vector<ViewField> viewFields();

// The bits of PanelView::changed.
namespace viewChange {
inline constexpr std::uint32_t firstWord = 1;  // the word at address n: firstWord << n
inline constexpr std::uint32_t input = 1U << 16;
inline constexpr std::uint32_t beepSwitch = 1U << 17;
inline constexpr std::uint32_t clock = 1U << 18;
inline constexpr std::uint32_t firstReadout = 1U << 19;  // Readout n: firstReadout << n
inline constexpr std::uint32_t redRow = 1U << 24;
inline constexpr std::uint32_t history = 1U << 25;        // its rows, or whether Step back may undo one
inline constexpr std::uint32_t historyAfresh = 1U << 26;  // the history is to be drawn afresh

// The bit that marks a switch's state.
std::uint32_t of(SwitchRef which);
}  // namespace viewChange

// Writes into `view` what `change` names, and marks exactly that as changed. The
// history is to be drawn afresh when it started again.
void writeView(PanelView& view, const PanelSession& session, const PanelChange& change);

}  // namespace qzb
