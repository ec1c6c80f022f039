// SPDX-License-Identifier: MIT
#include "front_panel/panel_view.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "front_panel/catalogue.h"

namespace qzb {
namespace {

static_assert(4 * std::max(catalogue::lampOn.size(), catalogue::lampOff.size()) <= sizeof ViewText::bytes,
              "four lamps fit in a view's text");

// True when `field` now holds `value`, which it did not before.
template <typename Field>
bool assign(Field& field, const Field& value) {
    if (field == value) return false;
    field = value;
    return true;
}

bool assign(ViewText& field, const std::string& text) {
    if (std::string_view(field.bytes, field.length) == text) return false;
    field.length = static_cast<std::uint8_t>(text.size());
    std::memcpy(field.bytes, text.data(), text.size());
    return true;
}

}  // namespace

void updateView(PanelView& view, const PanelSession& session, int beeps) {
    const Readouts shown = session.readouts();
    const std::string* texts[] = {&shown.registerA, &shown.registerB, &shown.programCounter, &shown.carry,
                                  &shown.output};
    std::uint16_t changed = 0;
    for (int field = 0; field < 5; ++field) {
        if (assign(view.readouts[field], *texts[field])) changed |= static_cast<std::uint16_t>(1 << field);
    }
    if (assign(view.redRow, static_cast<std::uint8_t>(shown.redRow))) changed |= PanelView::redRowChanged;

    const PanelSwitches& switches = session.switches();
    bool switched = false;
    for (std::size_t bit = 0; bit < switches.program.size(); ++bit)
        switched |= assign(view.program[bit], switches.program[bit]);
    for (std::size_t bit = 0; bit < switches.input.size(); ++bit)
        switched |= assign(view.input[bit], switches.input[bit]);
    switched |= assign(view.beep, switches.beep);
    if (switched) changed |= PanelView::switchesChanged;

    const bool clock = assign(view.clockOption, session.clockOption());
    if (assign(view.tabStopOption, session.tabStopOption()) || clock) changed |= PanelView::clockChanged;

    // The step numbers wrap after four billion steps, which the page, showing them only to
    // tell rows apart, does not mind.
    const auto last = static_cast<std::uint32_t>(session.stepNumber());
    const auto first = static_cast<std::uint32_t>(session.firstHistoryStep());
    bool history = assign(view.canStepBack, session.canStepBack());
    history |= assign(view.historyStarts, session.historyStarts());
    history |= assign(view.historyFirst, first);
    history |= assign(view.historyLast, last);
    if (history) changed |= PanelView::historyChanged;

    view.changed = changed;
    view.beeps = static_cast<std::uint8_t>(std::min(beeps, 255));
}

}  // namespace qzb
