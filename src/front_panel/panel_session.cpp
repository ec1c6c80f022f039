// SPDX-License-Identifier: MIT
#include "front_panel/panel_session.h"

#include <algorithm>

#include "asm/assembler.h"
#include "common/diagnostic.h"

namespace qzb {

PanelChange PanelChange::everything() {
    return {.words = 0xFFFF,
            .input = true,
            .beepSwitch = true,
            .clock = true,
            .readouts = (1 << readoutCount) - 1,
            .redRow = true,
            .history = true,
            .historyStarted = true};
}

bool PanelChange::names(SwitchRef which) const {
    switch (which.bank) {
        case SwitchBank::Program: return ((words >> (which.index / 8)) & 1) != 0;
        case SwitchBank::Input: return input;
        case SwitchBank::Beep: return beepSwitch;
    }
    return false;
}

PanelChange& PanelChange::operator|=(const PanelChange& later) {
    words |= later.words;
    input |= later.input;
    beepSwitch |= later.beepSwitch;
    clock |= later.clock;
    readouts |= later.readouts;
    redRow |= later.redRow;
    history |= later.history;
    historyStarted |= later.historyStarted;
    beeps += later.beeps;
    return *this;
}

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
    return {.words = static_cast<std::uint16_t>(which.bank == SwitchBank::Program ? 1 << which.index / 8 : 0),
            .input = which.bank == SwitchBank::Input,
            .beepSwitch = which.bank == SwitchBank::Beep};
}

PanelChange PanelSession::selectClock(ClockOption option) {
    const ClockMode selected = clockModeOf(option);
    if (selected == switches_.clock) return {};
    const bool couldStepBack = canStepBack();
    switches_.clock = selected;
    return {.clock = true, .history = couldStepBack != canStepBack()};
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
    PanelSwitches replaced = loaded;
    replaced.input = switches_.input;
    PanelChange change = replaceSwitches(replaced);
    change |= reset();
    return change;
}

PanelChange PanelSession::applySource(std::string_view source, std::string_view sizeName,
                                      std::string_view lineName, std::vector<std::string>& problems) {
    if (std::optional<std::string> problem = sourceSizeProblem(sizeName, source.size())) {
        problems = {std::move(*problem)};
        return {};
    }
    const Assembly assembly = assemble(source);
    problems = locatedMessages(lineName, assembly.errors);
    return problems.empty() ? applyLoaded(assembly.switches) : PanelChange{};
}

PanelChange PanelSession::applyStatement(int address, std::string_view statement,
                                         std::vector<std::string>& problems) {
    problems.clear();
    if (address < 0 || address > 15) return {};
    StatementAssembly assembled = assembleStatement(statement);
    for (AssemblyError& error : assembled.errors) problems.push_back(std::move(error.message));
    if (!assembled.word) return {};
    PanelSwitches switches = switches_;
    for (int bit = 0; bit < 8; ++bit) {
        switches.program[static_cast<std::size_t>(address * 8 + bit)] =
            (*assembled.word >> bit) & 1 ? SwitchState::On : SwitchState::Off;
    }
    return replaceSwitches(switches);
}

PanelChange PanelSession::applyLink(const LinkReading& link) {
    if (!link.switches && link.fault.empty()) return {};
    // A link's reading, like an empty panel, has the input switches off.
    PanelChange change = replaceSwitches(link.switches.value_or(PanelSwitches{}));
    change |= reset();
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
    if (keptCount_ == 0) return baseStep_;
    return kept_[(keptFirst_ + keptCount_ - 1) % keptSteps];
}

PanelChange PanelSession::stepBack() {
    if (!canStepBack()) return {};
    const MachineState before = state();
    --keptCount_;
    machine_.setState(kept_[(keptFirst_ + keptCount_) % keptSteps].before);
    return changedFrom(before);
}

void PanelSession::setBreakpoint(int address, bool set) {
    if (address < 0 || address > 15) return;
    const auto bit = static_cast<std::uint16_t>(1U << address);
    breakpoints_ = static_cast<std::uint16_t>(set ? breakpoints_ | bit : breakpoints_ & ~bit);
}

bool PanelSession::breakpointAt(int address) const {
    return address >= 0 && address <= 15 && ((breakpoints_ >> address) & 1) != 0;
}

PanelChange PanelSession::setState(const MachineState& state) {
    const MachineState before = this->state();
    machine_.setState(state);
    startHistory();
    PanelChange change = changedFrom(before);
    change.historyStarted = true;
    return change;
}

PanelChange PanelSession::step() {
    const StepRecord record = machine_.step();
    if (keptCount_ == keptSteps) {
        // The oldest kept step becomes the row before the others.
        const StepRecord& oldest = kept_[keptFirst_];
        base_ = {base_.step + 1, oldest.address(), oldest.word, oldest.after};
        baseStep_ = oldest;
        keptFirst_ = (keptFirst_ + 1) % keptSteps;
        --keptCount_;
    }
    kept_[(keptFirst_ + keptCount_) % keptSteps] = record;
    ++keptCount_;
    PanelChange change = changedFrom(record.before);
    arrive(change);
    return change;
}

PanelChange PanelSession::reset() {
    PanelChange change = setState({});
    arrive(change);
    return change;
}

PanelChange PanelSession::changedFrom(const MachineState& before) const {
    const MachineState& after = state();
    const auto bit = [](bool differs, Readout which) { return differs ? 1 << static_cast<int>(which) : 0; };
    return {.readouts = static_cast<std::uint8_t>(
                bit(before.a != after.a, Readout::A) | bit(before.b != after.b, Readout::B) |
                bit(before.pc != after.pc, Readout::PC) | bit(before.carry != after.carry, Readout::Carry) |
                bit(before.out != after.out, Readout::Out)),
            .redRow = before.pc != after.pc,
            .history = true,
            .beeps = beepDue(after, switches_.beep) ? 1 : 0};
}

void PanelSession::arrive(PanelChange& change) {
    if ((switches_.clock.hz1 || switches_.clock.hz10) && breakpointAt(state().pc)) {
        switches_.clock.selectManual();
        change.clock = true;
    }
}

PanelChange PanelSession::replaceSwitches(const PanelSwitches& switches) {
    PanelChange change;
    for (std::size_t bit = 0; bit < switches.program.size(); ++bit) {
        if (switches.program[bit] != switches_.program[bit])
            change.words = static_cast<std::uint16_t>(change.words | 1 << bit / 8);
    }
    change.input = switches.input != switches_.input;
    change.beepSwitch = switches.beep != switches_.beep;
    change.clock = switches.clock != switches_.clock;
    switches_ = switches;
    return change;
}

void PanelSession::startHistory() {
    base_ = {.state = machine_.state()};
    baseStep_.reset();
    keptFirst_ = keptCount_ = 0;
}

}  // namespace qzb
