// SPDX-License-Identifier: MIT
#include "front_panel/panel_view.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "asm/disassembler.h"
#include "front_panel/catalogue.h"

namespace qzb {
namespace {

static_assert(4 * std::max(catalogue::lampOn.size(), catalogue::lampOff.size()) <= sizeof ViewText::bytes,
              "four lamps fit in a view's text");

void put(ViewText& field, const std::string& text) {
    field.length = static_cast<std::uint8_t>(std::min(text.size(), sizeof field.bytes));
    std::memcpy(field.bytes, text.data(), field.length);
}

}  // namespace

int viewSwitchIndex(SwitchRef which) {
    switch (which.bank) {
        case SwitchBank::Program: return which.index;
        case SwitchBank::Input: return PanelSwitches::programBitCount + which.index;
        case SwitchBank::Beep: break;
    }
    return viewSwitchCount - 1;
}

std::optional<SwitchRef> viewSwitch(int index) {
    constexpr int program = PanelSwitches::programBitCount;
    if (index < 0 || index >= viewSwitchCount) return std::nullopt;
    if (index < program) return SwitchRef{SwitchBank::Program, index};
    if (index < viewSwitchCount - 1) return SwitchRef{SwitchBank::Input, index - program};
    return SwitchRef{SwitchBank::Beep, 0};
}

std::vector<ViewField> viewFields() {
#define QZB_VIEW_FIELD_ENTRY(type, name, count) \
    {#name, offsetof(PanelView, name), sizeof(type), count, std::is_same_v<type, ViewText>},
    return {QZB_PANEL_VIEW_FIELDS(QZB_VIEW_FIELD_ENTRY)};
#undef QZB_VIEW_FIELD_ENTRY
}

std::uint32_t viewChange::of(SwitchRef which) {
    switch (which.bank) {
        case SwitchBank::Program: return firstWord << (which.index / 8);
        case SwitchBank::Input: return input;
        case SwitchBank::Beep: break;
    }
    return beepSwitch;
}

void writeView(PanelView& view, const PanelSession& session, const PanelChange& change) {
    std::uint32_t changed = 0;
    const PanelSwitches& switches = session.switches();
    for (int address = 0; address < 16; ++address) {
        if (((change.words >> address) & 1) == 0) continue;
        std::copy_n(switches.program.begin() + address * 8, 8, view.switches.begin() + address * 8);
        const ListingRow row = listingRow(switches, address);
        put(view.words[static_cast<std::size_t>(address)], row.bits);
        put(view.statements[static_cast<std::size_t>(address)], row.statement);
        changed |= viewChange::firstWord << address;
    }
    if (change.input) {
        std::copy(switches.input.begin(), switches.input.end(),
                  view.switches.begin() + viewSwitchIndex({SwitchBank::Input, 0}));
        changed |= viewChange::input;
    }
    if (change.beepSwitch) {
        view.switches[static_cast<std::size_t>(viewSwitchIndex({SwitchBank::Beep, 0}))] = switches.beep;
        changed |= viewChange::beepSwitch;
    }
    if (change.clock) {
        view.clockOption = session.clockOption();
        view.tabStopOption = session.tabStopOption();
        changed |= viewChange::clock;
    }
    for (int readout = 0; readout < readoutCount; ++readout) {
        if (!change.names(Readout(readout))) continue;
        put(view.readouts[static_cast<std::size_t>(readout)], readoutText(session.state(), Readout(readout)));
        changed |= viewChange::firstReadout << readout;
    }
    if (change.redRow) {
        view.redRow = session.state().pc;
        changed |= viewChange::redRow;
    }
    if (change.history) {
        // The step numbers wrap after four billion steps, which the page, showing them only to
        // tell rows apart, does not mind.
        view.canStepBack = session.canStepBack();
        view.historyFirst = static_cast<std::uint32_t>(session.firstHistoryStep());
        view.historyLast = static_cast<std::uint32_t>(session.stepNumber());
        changed |= viewChange::history | (change.historyStarted ? viewChange::historyAfresh : 0);
    }
    view.changed = changed;
    view.beeps = static_cast<std::uint8_t>(std::min(change.beeps, 255));
}

}  // namespace qzb
