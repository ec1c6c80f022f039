// SPDX-License-Identifier: MIT
#include "front_panel/panel_session.h"

#include <algorithm>

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
    if (switches_.clock.hz10) return stopAtBreakpoint(step());
    if (switches_.clock.hz1 && ++oneHertzDivider_ >= 10) {
        oneHertzDivider_ = 0;
        return stopAtBreakpoint(step());
    }
    return {};
}

PanelChange PanelSession::pressClock() {
    return switches_.clock.manual ? step() : PanelChange{};
}

PanelChange PanelSession::pressReset() {
    const bool running = switches_.clock.hz1 || switches_.clock.hz10;
    const PanelChange change = reset();
    return running ? stopAtBreakpoint(change) : change;
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

std::vector<HistoryRow> PanelSession::history(std::size_t count) const {
    const std::size_t rowCount = keptCount_ + 1;
    std::vector<HistoryRow> rows;
    rows.reserve(std::min(count, rowCount));
    for (std::size_t row = rowCount - std::min(count, rowCount); row < rowCount; ++row) {
        if (row == 0) {
            rows.push_back(base_);
            continue;
        }
        const StepRecord& record = kept_[(keptFirst_ + row - 1) % keptSteps];
        rows.push_back({base_.step + row, record.address(), record.word, record.after});
    }
    return rows;
}

std::optional<StepRecord> PanelSession::lastStep() const {
    if (keptCount_ == 0) return std::nullopt;
    return kept_[(keptFirst_ + keptCount_ - 1) % keptSteps];
}

PanelChange PanelSession::stepBack() {
    if (!canStepBack()) return {};
    --keptCount_;
    machine_.setState(kept_[(keptFirst_ + keptCount_) % keptSteps].before);
    return redrawn();
}

void PanelSession::setBreakpoint(int address, bool set) {
    if (address < 0 || address > 15) return;
    const auto bit = static_cast<std::uint16_t>(1U << address);
    breakpoints_ = static_cast<std::uint16_t>(set ? breakpoints_ | bit : breakpoints_ & ~bit);
}

bool PanelSession::breakpointAt(int address) const {
    return address >= 0 && address <= 15 && ((breakpoints_ >> address) & 1) != 0;
}

void PanelSession::setState(const MachineState& state) {
    machine_.setState(state);
    startHistory();
}

PanelChange PanelSession::step() {
    const StepRecord record = machine_.step();
    if (keptCount_ == keptSteps) {
        // The oldest kept step becomes the row before the others.
        const StepRecord& oldest = kept_[keptFirst_];
        base_ = {base_.step + 1, oldest.address(), oldest.word, oldest.after};
        keptFirst_ = (keptFirst_ + 1) % keptSteps;
        --keptCount_;
    }
    kept_[(keptFirst_ + keptCount_) % keptSteps] = record;
    ++keptCount_;
    return redrawn();
}

PanelChange PanelSession::reset() {
    machine_.reset();
    startHistory();
    return redrawn();
}

PanelChange PanelSession::stopAtBreakpoint(PanelChange change) {
    if (breakpointAt(state().pc)) {
        switches_.clock.selectManual();
        change.clock = true;
    }
    return change;
}

void PanelSession::startHistory() {
    base_ = {.state = machine_.state()};
    keptFirst_ = keptCount_ = 0;
    ++historyStarts_;
}

}  // namespace qzb
