// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "front_panel/panel_session.h"
#include "front_panel/panel_view.h"

using namespace qzb;

namespace {

// Every word B = B + 1, so the step count shows in B (modulo 16).
PanelSwitches countInB() {
    PanelSwitches switches;
    for (std::size_t index = 0; index < 128; ++index)
        switches.program[index] = SwitchState((0x51 >> index % 8) & 1);
    return switches;
}

// Ticks `count` times: one digit a tick, 1 where B moved. Each tick reports a redraw exactly when it stepped.
std::string ticks(PanelSession& session, int count) {
    std::string steps;
    for (int i = 0; i < count; ++i) {
        const int before = session.state().b;
        const bool redrawn = session.tick().readouts;
        steps += session.state().b != before ? '1' : '0';
        CHECK(redrawn == (steps.back() == '1'));
    }
    return steps;
}

constexpr PanelChange allRedrawn{.switches = true, .clock = true, .readouts = true};

}  // namespace

TEST_CASE("the clock generator: 10 Hz, 1 Hz with its divider, Manual and no option") {
    PanelSession session;
    session.applyLoaded(countInB());
    CHECK(ticks(session, 3) == "000");  // Manual, as the panel starts
    CHECK(session.pressClock() == PanelChange{.readouts = true});
    CHECK(session.state().b == 1);
    session.selectClock(ClockOption::Hz10);
    CHECK(ticks(session, 3) == "111");
    CHECK(session.pressClock() == PanelChange{});  // the button steps in Manual only
    session.selectClock(ClockOption::Hz1);
    CHECK(ticks(session, 14) == "00000000010000");
    // The divider keeps its count across another selection, a step back and a reset.
    session.selectClock(ClockOption::Hz10);
    CHECK(ticks(session, 1) == "1");
    session.selectClock(ClockOption::Manual);
    CHECK(session.stepBack() == PanelChange{.readouts = true});
    CHECK(session.pressReset() == PanelChange{.readouts = true});
    CHECK(session.state() == MachineState{});
    session.selectClock(ClockOption::Hz1);
    CHECK(ticks(session, 6) == "000001");
    session.selectClock(ClockOption::None);
    CHECK(ticks(session, 20) == std::string(20, '0'));
    CHECK(session.pressClock() == PanelChange{});
}

TEST_CASE("a click turns a switch on from off or greyed, and off from on") {
    PanelSwitches loaded;
    loaded.program[9] = SwitchState::Greyed;
    loaded.program[10] = SwitchState::On;
    loaded.beep = SwitchState::Greyed;
    for (const auto& [which, before, after] :
         {std::tuple{SwitchRef{SwitchBank::Program, 8}, SwitchState::Off, SwitchState::On},
          {SwitchRef{SwitchBank::Program, 9}, SwitchState::Greyed, SwitchState::On},
          {SwitchRef{SwitchBank::Program, 10}, SwitchState::On, SwitchState::Off},
          {SwitchRef{SwitchBank::Input, 3}, SwitchState::Off, SwitchState::On},
          {SwitchRef{SwitchBank::Beep, 0}, SwitchState::Greyed, SwitchState::On}}) {
        CAPTURE(which.index);
        PanelSession session;
        session.applyLoaded(loaded);
        session.setState({.pc = 3, .a = 1});
        CHECK(session.switchState(which) == before);
        CHECK(session.toggle(which) == PanelChange{.switches = true});
        CHECK(session.switchState(which) == after);
        // Nothing else changes until the next step reads the switches.
        CHECK(session.state() == MachineState{.pc = 3, .a = 1});
    }
    PanelSession session;
    for (const SwitchRef nowhere : {SwitchRef{SwitchBank::Program, 128}, SwitchRef{SwitchBank::Input, -1}})
        CHECK(session.toggle(nowhere) == PanelChange{});
    CHECK(session.switches() == PanelSwitches{});
}

TEST_CASE("a clock option selected reads back the same, and Tab stops at it or at the first") {
    for (const auto& [option, tabStop, mode] :
         {std::tuple{ClockOption::Hz1, ClockOption::Hz1, ClockMode{true, false, false}},
          {ClockOption::Hz10, ClockOption::Hz10, ClockMode{false, true, false}},
          {ClockOption::Manual, ClockOption::Manual, ClockMode{false, false, true}},
          {ClockOption::None, ClockOption::Hz1, ClockMode{false, false, false}}}) {
        PanelSession session;
        CHECK(session.selectClock(option) == PanelChange{.clock = option != ClockOption::Manual});
        CHECK(session.clockOption() == option);
        CHECK(session.switches().clock == mode);
        CHECK(session.tabStopOption() == tabStop);
    }
}

TEST_CASE("a load or a link replaces the switches and resets; a link without a setting empties the panel") {
    PanelSwitches setting = countInB(), withInput, emptyWithInput;
    setting.program[0] = SwitchState::Greyed;
    setting.clock.select10Hz();
    setting.beep = SwitchState::On;
    withInput = setting;
    withInput.input[1] = emptyWithInput.input[1] = SwitchState::On;
    for (const auto& [how, after, change] : {std::tuple{std::string("load"), withInput, allRedrawn},
                                             {settingLink(setting), setting, allRedrawn},
                                             {"#qzb1.00", PanelSwitches{}, allRedrawn},
                                             {"#", emptyWithInput, PanelChange{}}}) {
        CAPTURE(how);
        PanelSession session;
        session.toggle({SwitchBank::Input, 1});
        session.setState({.pc = 5});
        // A load's copy holds the input switches it was made from; the session keeps its own regardless.
        CHECK((how == "load" ? session.applyLoaded(setting) : session.applyLink(readSettingLink(how))) ==
              change);
        CHECK(session.switches() == after);
        CHECK(session.state() == (change.readouts ? MachineState{} : MachineState{.pc = 5}));
    }
}

TEST_CASE("readouts: digits, lamps, the red row, and the beep a step reports") {
    PanelSession session;
    CHECK(session.readouts() == Readouts{"0000", "0000", "0000", "0", "○○○○", 0, false});
    session.setState({.pc = 15, .a = 5, .b = 10, .out = 8, .carry = true});
    CHECK(session.readouts() == Readouts{"0101", "1010", "1111", "1", "●○○○", 15, false});
    // Word 0: OUT = 0 + n.
    for (const auto& [beep, out, due] : {std::tuple{SwitchState::On, 8, true},
                                         {SwitchState::On, 7, false},
                                         {SwitchState::Greyed, 15, false},
                                         {SwitchState::Off, 8, false}}) {
        PanelSwitches program;
        for (std::size_t bit = 0; bit < 8; ++bit)
            program.program[bit] = SwitchState(((0xA0 | out) >> bit) & 1);
        program.beep = beep;
        session.applyLoaded(program);
        CHECK(session.pressClock() == PanelChange{.readouts = true, .beep = due});
        CHECK(session.readouts().beep == due);
    }
    CHECK(decToBin(16, false) == std::nullopt);
    CHECK(addressText(7) == "Address 07");
}

TEST_CASE("the history keeps the last 1,000 steps from the reset, and step back undoes each of them") {
    for (const int steps : {0, 5, 1000, 1003}) {
        CAPTURE(steps);
        PanelSession session;
        session.applyLoaded(countInB());
        std::vector<MachineState> states{session.state()};  // after each step, the reset's first
        for (int i = 0; i < steps; ++i) states.push_back((session.pressClock(), session.state()));
        session.toggle({SwitchBank::Program, 0});  // the rows keep the words as they ran
        const std::vector<HistoryRow> rows = session.history();
        const int oldest = std::max(0, steps - 1000);
        REQUIRE(rows.size() == std::size_t(steps - oldest + 1));
        for (int step = oldest; step <= steps; ++step)
            CHECK(rows[std::size_t(step - oldest)] ==
                  HistoryRow{std::uint64_t(step), step == 0 ? -1 : (step - 1) % 16,
                             std::uint8_t(step == 0 ? 0 : 0x51), states[step]});
        CHECK(session.history(1) == std::vector{rows.back()});

        session.selectClock(ClockOption::Hz10);
        CHECK(session.stepBack() == PanelChange{});
        session.selectClock(ClockOption::Manual);
        for (int step = steps; step > oldest; --step) {
            CHECK(session.lastStep()->after == states[step]);
            CHECK(session.stepBack() == PanelChange{.readouts = true});
            CHECK(session.state() == states[step - 1]);
            CHECK(session.stepNumber() == std::uint64_t(step - 1));
        }
        CHECK(session.stepBack() == PanelChange{});
        CHECK(session.history() == std::vector{rows.front()});
    }
    for (const std::string how : {"reset", "load", "link", "state"}) {
        PanelSession session;
        session.applyLoaded(countInB());
        session.pressClock();
        const std::uint32_t starts = session.historyStarts();
        if (how == "reset") session.pressReset();
        if (how == "load") session.applyLoaded(countInB());
        if (how == "link") session.applyLink(readSettingLink(settingLink(countInB())));
        if (how == "state") session.setState({.pc = 7});
        CHECK(session.history() == std::vector{HistoryRow{.state = session.state()}});
        CHECK(session.historyStarts() == starts + 1);  // the page draws the history afresh
    }
}

TEST_CASE("a breakpoint selects Manual when the running clock or a Reset brings the PC to it") {
    // Events: t tick, c Clock button, r Reset, s the clock selected again; then where the PC
    // is, and whether the last event selected Manual.
    for (const auto& [clock, breakpoint, events, pc, stopped] :
         {std::tuple{ClockOption::Hz10, 3, "ttt", 3, true},
          {ClockOption::Hz1, 1, "tttttttttt", 1, true},
          {ClockOption::Hz10, 0, "tr", 0, true},
          {ClockOption::Manual, 2, "cc", 2, false},
          {ClockOption::Manual, 0, "ccr", 0, false},
          {ClockOption::Hz10, 1, "tstt", 3, false}}) {
        CAPTURE(events);
        PanelSession session;
        session.setBreakpoint(breakpoint, true);
        session.applyLoaded(countInB());  // breakpoints stay through a load
        session.selectClock(clock);
        PanelChange last;
        for (const char* event = events; *event != '\0'; ++event) {
            if (*event == 's') session.selectClock(clock);
            last = *event == 't'   ? session.tick()
                   : *event == 'c' ? session.pressClock()
                   : *event == 'r' ? session.pressReset()
                                   : PanelChange{};
        }
        CHECK(session.state().pc == pc);
        CHECK(last.clock == stopped);
        CHECK(session.clockOption() == (stopped ? ClockOption::Manual : clock));
    }
    PanelSession session;
    session.setBreakpoint(1, true);
    session.setBreakpoint(1, false);
    for (const int address : {-1, 1, 16}) CHECK(!session.breakpointAt(address));
}

TEST_CASE("the view holds what the panel shows and marks exactly the fields an event changed") {
    const int words[] = {0x01, 0x51, 0x80, 0xF0};  // A = A + 1, B = B + 1, OUT = B, JMP 0
    PanelSwitches counting;
    for (std::size_t index = 0; index < 32; ++index)
        counting.program[index] = SwitchState((words[index / 8] >> index % 8) & 1);
    constexpr int a = 1, b = 2, pc = 4, carry = 8, out = 16, row = PanelView::redRowChanged,
                  switches = PanelView::switchesChanged, history = PanelView::historyChanged;
    PanelSession session;
    PanelView view;
    const auto text = [&](int field) {
        return std::string(view.readouts[field].bytes, view.readouts[field].length);
    };
    for (const auto& [event, changed] : {std::pair{"start", a | b | pc | carry | out},  // from no text at all
                                         {"load", switches | history},
                                         {"clock", a | pc | row | history},
                                         {"clock", b | pc | row | history},
                                         {"clock", out | pc | row | history},
                                         {"clock", pc | row | history},
                                         {"back", pc | row | history},
                                         {"reset", a | b | pc | out | row | history},
                                         {"input", switches},
                                         {"clock", a | pc | row | history},
                                         {"none", int{PanelView::clockChanged} | history},  // no step back
                                         {"clock", 0}}) {  // no step without Manual
        CAPTURE(event);
        const std::string_view what = event;
        if (what == "load") session.applyLoaded(counting);
        if (what == "clock") session.pressClock();
        if (what == "reset") session.pressReset();
        if (what == "back") session.stepBack();
        if (what == "input") session.toggle({SwitchBank::Input, 2});
        if (what == "none") session.selectClock(ClockOption::None);
        updateView(view, session, 0);
        CHECK(int{view.changed} == changed);
        const Readouts shown = session.readouts();
        CHECK(Readouts{text(0), text(1), text(2), text(3), text(4), view.redRow, shown.beep} == shown);
        CHECK((view.canStepBack == session.canStepBack() && view.historyStarts == session.historyStarts() &&
               view.historyFirst == session.firstHistoryStep() && view.historyLast == session.stepNumber()));
    }
    CHECK(std::equal(std::begin(view.program), std::end(view.program), counting.program.begin()));
    CHECK((view.input[2] == SwitchState::On && view.clockOption == ClockOption::None &&
           view.tabStopOption == ClockOption::Hz1));
}
