// SPDX-License-Identifier: MIT
#include "front_panel/panel_session.h"

namespace qzb {

SwitchState PanelSession::switchState(SwitchRef which) const {
    const SwitchState* state = switchAt(switches_, which);
    return state ? *state : SwitchState::Off;
}

ClockOption PanelSession::tabStopOption() const {
    const ClockOption selected = clockOption();
    return selected == ClockOption::None ? ClockOption::Hz1 : selected;
}

PanelChange PanelSession::toggle(SwitchRef which) {
    SwitchState* state = switchAt(switches_, which);
    if (!state) return {};
    *state = isOn(*state) ? SwitchState::Off : SwitchState::On;
    return {.switches = true};
}

PanelChange PanelSession::selectClock(ClockOption option) {
    const ClockMode selected = clockModeOf(option);
    if (selected == switches_.clock) return {};
    switches_.clock = selected;
    return {.clock = true};
}

PanelChange PanelSession::tick() {
    if (switches_.clock.hz10) return step();
    if (switches_.clock.hz1 && ++oneHertzDivider_ >= 10) {
        oneHertzDivider_ = 0;
        return step();
    }
    return {};
}

PanelChange PanelSession::pressClock() {
    return switches_.clock.manual ? step() : PanelChange{};
}

PanelChange PanelSession::pressReset() {
    return reset();
}

PanelChange PanelSession::applyLoaded(const PanelSwitches& loaded) {
    const auto input = switches_.input;
    switches_ = loaded;
    switches_.input = input;
    PanelChange change = reset();
    change.switches = change.clock = true;
    return change;
}

PanelChange PanelSession::applyLink(const LinkReading& link) {
    if (!link.switches && link.fault.empty()) return {};
    // A link's reading, like an empty panel, has the input switches off.
    switches_ = link.switches.value_or(PanelSwitches{});
    PanelChange change = reset();
    change.switches = change.clock = true;
    return change;
}

PanelChange PanelSession::step() {
    machine_.step();
    return redrawn();
}

PanelChange PanelSession::reset() {
    machine_.reset();
    return redrawn();
}

}  // namespace qzb
