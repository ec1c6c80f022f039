// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "front_panel/page_json.h"
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

// Ticks `count` times: one digit a tick, 1 where B moved. Each tick reports a change exactly when it stepped.
std::string ticks(PanelSession& session, int count) {
    std::string steps;
    for (int i = 0; i < count; ++i) {
        const int before = session.state().b;
        const bool stepped = session.tick() != PanelChange{};
        steps += session.state().b != before ? '1' : '0';
        CHECK(stepped == (steps.back() == '1'));
    }
    return steps;
}

constexpr std::uint8_t bitOf(Readout readout) {
    return static_cast<std::uint8_t>(1 << static_cast<int>(readout));
}

}  // namespace

TEST_CASE("the clock generator: 10 Hz, 1 Hz with its divider, Manual and no option") {
    PanelSession session;
    session.applyLoaded(countInB());
    CHECK(ticks(session, 3) == "000");  // Manual, as the panel starts
    CHECK(session.pressClock() ==
          PanelChange{.readouts = bitOf(Readout::B) | bitOf(Readout::PC), .redRow = true, .history = true});
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
    CHECK(session.stepBack().history);
    CHECK(session.pressReset().historyStarted);
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
    for (const auto& [which, before, after, change] :
         {std::tuple{SwitchRef{SwitchBank::Program, 8}, SwitchState::Off, SwitchState::On,
                     PanelChange{.words = 2}},
          {SwitchRef{SwitchBank::Program, 9}, SwitchState::Greyed, SwitchState::On, PanelChange{.words = 2}},
          {SwitchRef{SwitchBank::Program, 10}, SwitchState::On, SwitchState::Off, PanelChange{.words = 2}},
          {SwitchRef{SwitchBank::Program, 127}, SwitchState::Off, SwitchState::On,
           PanelChange{.words = 0x8000}},
          {SwitchRef{SwitchBank::Input, 3}, SwitchState::Off, SwitchState::On, PanelChange{.input = true}},
          {SwitchRef{SwitchBank::Beep, 0}, SwitchState::Greyed, SwitchState::On,
           PanelChange{.beepSwitch = true}}}) {
        CAPTURE(which.index);
        PanelSession session;
        session.applyLoaded(loaded);
        session.setState({.pc = 3, .a = 1});
        CHECK(session.switchState(which) == before);
        CHECK(session.toggle(which) == change);
        CHECK(session.switchState(which) == after);
        // Nothing else changes until the next step reads the switches.
        CHECK(session.state() == MachineState{.pc = 3, .a = 1});
    }
    PanelSession session;
    for (const SwitchRef nowhere : {SwitchRef{SwitchBank::Program, 128}, SwitchRef{SwitchBank::Input, -1}})
        CHECK(session.toggle(nowhere) == PanelChange{});
    CHECK(session.switches() == PanelSwitches{});
}

// Row 1 holds 0101 0001 with bit 0 greyed; each statement goes into that row alone, as clicks would.
TEST_CASE("a statement sets its row's eight switches, or nothing and why") {
    for (const auto& [statement, word, change, problem] :
         {std::tuple{"OUT = B + 2", 0x82, PanelChange{.words = 2}, ""},
          {"B = B + 1", 0x51, PanelChange{.words = 2}, ""},  // the greyed bit turns on
          {"B = B - 1", -1, PanelChange{}, "there is no subtraction; add 15 to take 1 away (B = B + 15)"}}) {
        CAPTURE(statement);
        PanelSwitches loaded;
        for (int bit = 1; bit < 8; ++bit)
            loaded.program[std::size_t(8 + bit)] = SwitchState((0x51 >> bit) & 1);
        loaded.program[8] = SwitchState::Greyed;
        PanelSession session;
        session.applyLoaded(loaded);
        session.setState({.pc = 1, .b = 3});
        const PanelSwitches before = session.switches();
        std::vector<std::string> problems{"stale"};
        CHECK(session.applyStatement(1, statement, problems) == change);
        CHECK(problems == (*problem ? std::vector<std::string>{problem} : std::vector<std::string>{}));
        PanelSwitches expected = before;
        for (int bit = 0; bit < 8 && word >= 0; ++bit)
            expected.program[std::size_t(8 + bit)] = SwitchState((word >> bit) & 1);
        CHECK(session.switches() == expected);
        CHECK(session.state() == MachineState{.pc = 1, .b = 3});
    }
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
    setting.program[8] = SwitchState::Off;  // word 1 now 0x50
    setting.clock.select10Hz();
    setting.beep = SwitchState::On;
    withInput = setting;
    withInput.input[1] = emptyWithInput.input[1] = SwitchState::On;
    // What every reset from PC 5 changes.
    const PanelChange reset{
        .readouts = bitOf(Readout::PC), .redRow = true, .history = true, .historyStarted = true};
    PanelChange loaded = reset, linked = reset, empty = reset;
    loaded.words = linked.words = 0xFFFF;
    loaded.clock = loaded.beepSwitch = linked.clock = linked.beepSwitch = true;
    linked.input = empty.input = true;
    for (const auto& [how, after, change] : {std::tuple{std::string("load"), withInput, loaded},
                                             {settingLink(setting), setting, linked},
                                             {"#qzb1.00", PanelSwitches{}, empty},
                                             {"#", emptyWithInput, PanelChange{}}}) {
        CAPTURE(how);
        PanelSession session;
        session.toggle({SwitchBank::Input, 1});
        session.setState({.pc = 5});
        // A load's copy holds the input switches it was made from; the session keeps its own regardless.
        CHECK((how == "load" ? session.applyLoaded(setting) : session.applyLink(readSettingLink(how))) ==
              change);
        CHECK(session.switches() == after);
        CHECK(session.state() == (change.history ? MachineState{} : MachineState{.pc = 5}));
    }
}

TEST_CASE("readouts: digits, lamps, and the beep a step reports") {
    const auto texts = [](const MachineState& state) {
        std::string shown;
        for (const Readout readout : {Readout::A, Readout::B, Readout::PC, Readout::Carry, Readout::Out})
            shown += readoutText(state, readout) + ' ';
        return shown;
    };
    CHECK(texts({}) == "0000 0000 0000 0 ○○○○ ");
    CHECK(texts({.pc = 15, .a = 5, .b = 10, .out = 8, .carry = true}) == "0101 1010 1111 1 ●○○○ ");
    PanelSession session;
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
        CHECK(session.pressClock().beeps == int{due});
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
            CHECK(session.stepBack().history);
            CHECK(session.state() == states[step - 1]);
            CHECK(session.stepNumber() == std::uint64_t(step - 1));
        }
        CHECK(session.stepBack() == PanelChange{});
        CHECK(session.history() == std::vector{rows.front()});
        // At the history's limit the last step is still told, until a reset.
        if (oldest > 0) CHECK(session.lastStep() == StepRecord{0x51, 0, states[oldest - 1], states[oldest]});
        if (oldest == 0) CHECK(!session.lastStep());
    }
    for (const std::string how : {"reset", "load", "link", "state"}) {
        PanelSession session;
        session.applyLoaded(countInB());
        for (int step = 0; step <= 1000; ++step) session.pressClock();  // one step forgotten
        PanelChange change;
        if (how == "reset") change = session.pressReset();
        if (how == "load") change = session.applyLoaded(countInB());
        if (how == "link") change = session.applyLink(readSettingLink(settingLink(countInB())));
        if (how == "state") change = session.setState({.pc = 7});
        CHECK(session.history() == std::vector{HistoryRow{.state = session.state()}});
        CHECK(!session.lastStep());
        CHECK(change.historyStarted);  // the page draws the history afresh
    }
}

TEST_CASE("a running clock stops at a breakpoint before the word there runs, however the PC came to it") {
    PanelSwitches running = countInB();
    running.clock.select10Hz();
    // Events: t tick, c Clock button, r Reset, s the clock selected again, and the ways in that
    // bring 10 Hz: l load, k link, a assembly. Then where the PC is, and the option selected.
    for (const auto& [clock, breakpoint, events, pc, after] :
         {std::tuple{ClockOption::Hz10, 3, "ttt", 3, ClockOption::Manual},
          {ClockOption::Hz1, 1, "tttttttttt", 1, ClockOption::Manual},
          {ClockOption::Manual, 2, "cc", 2, ClockOption::Manual},
          {ClockOption::Manual, 0, "ccr", 0, ClockOption::Manual},
          {ClockOption::Hz10, 1, "tstt", 3, ClockOption::Hz10},  // started again, it runs the word there
          {ClockOption::Hz10, 0, "trttt", 0, ClockOption::Manual},
          {ClockOption::Manual, 0, "lttt", 0, ClockOption::Manual},
          {ClockOption::Manual, 0, "kttt", 0, ClockOption::Manual},
          {ClockOption::Manual, 0, "attt", 0, ClockOption::Manual},
          {ClockOption::Manual, 5, "lttt", 3, ClockOption::Hz10}}) {
        const std::string_view sequence = events;
        CAPTURE(sequence);
        PanelSession session;
        session.setBreakpoint(breakpoint, true);
        session.applyLoaded(countInB());  // breakpoints stay through a load
        session.selectClock(clock);
        std::vector<std::string> problems;
        for (const char* event = events; *event != '\0'; ++event) {
            *event == 't'   ? session.tick()
            : *event == 'c' ? session.pressClock()
            : *event == 'r' ? session.pressReset()
            : *event == 's' ? session.selectClock(clock)
            : *event == 'l' ? session.applyLoaded(running)
            : *event == 'k' ? session.applyLink(readSettingLink(settingLink(running)))
                            : session.applySource("B = B + 1\n.clock 10hz\n", "", "", problems);
        }
        CHECK(problems.empty());
        CHECK(session.state().pc == pc);
        CHECK(session.clockOption() == after);
    }
    PanelSession session;
    session.setBreakpoint(1, true);
    session.setBreakpoint(1, false);
    for (const int address : {-1, 1, 16}) CHECK(!session.breakpointAt(address));
}

TEST_CASE("the view marks exactly what each event changed, and writing only that keeps it whole") {
    const int words[] = {0x01, 0x51, 0x80, 0xF0};  // A = A + 1, B = B + 1, OUT = B, JMP 0
    PanelSwitches counting;
    for (std::size_t index = 0; index < 32; ++index)
        counting.program[index] = SwitchState((words[index / 8] >> index % 8) & 1);
    counting.beep = SwitchState::On;
    using viewChange::beepSwitch, viewChange::clock, viewChange::history, viewChange::historyAfresh,
        viewChange::input, viewChange::redRow;
    constexpr std::uint32_t a = viewChange::firstReadout, b = a << 1, pc = a << 2, out = a << 4,
                            steps = pc | redRow | history;
    PanelSession session;
    session.setBreakpoint(2, true);
    PanelView view;
    writeView(view, session, PanelChange::everything());
    for (const auto& [event, changed] :
         {std::pair{"load", std::uint32_t{0xF} | beepSwitch | history | historyAfresh},
          {"clock", a | steps},
          {"clock", b | steps},
          {"clock", out | steps},
          {"back", out | steps},
          {"reset", a | b | steps | historyAfresh},
          {"input", input},
          {"clock", a | steps},
          {"none", clock | history},  // no step back
          {"10Hz", clock},
          {"tick", b | steps | clock},  // to the breakpoint
          {"word 15", viewChange::firstWord << 15},
          {"link", viewChange::firstWord << 15 | input | a | b | steps | historyAfresh}}) {
        const std::string_view what = event;
        CAPTURE(what);
        const PanelChange change = what == "load"    ? session.applyLoaded(counting)
                                   : what == "clock" ? session.pressClock()
                                   : what == "reset" ? session.pressReset()
                                   : what == "back"  ? session.stepBack()
                                   : what == "input" ? session.toggle({SwitchBank::Input, 2})
                                   : what == "none"  ? session.selectClock(ClockOption::None)
                                   : what == "10Hz"  ? session.selectClock(ClockOption::Hz10)
                                   : what == "tick"  ? session.tick()
                                   : what == "word 15"
                                       ? session.toggle({SwitchBank::Program, 120})
                                       : session.applyLink(readSettingLink(settingLink(counting)));
        writeView(view, session, change);
        CHECK(view.changed == changed);
        // Every field the same as written afresh: a change that left something out would show it stale.
        PanelView afresh;
        writeView(afresh, session, PanelChange::everything());
        for (const ViewField& field : viewFields()) {
            CAPTURE(field.name);
            for (std::size_t at = 0; field.name != "changed" && field.name != "beeps" && at < field.count;
                 ++at) {
                const auto* const mine =
                    reinterpret_cast<const char*>(&view) + field.offset + at * field.size;
                const auto* const fresh =
                    reinterpret_cast<const char*>(&afresh) + field.offset + at * field.size;
                const std::size_t length = field.text ? 1 + std::size_t(std::uint8_t(*fresh)) : field.size;
                CHECK(std::string_view(mine, length) == std::string_view(fresh, length));
            }
        }
    }
    CHECK(std::string(view.statements[0].bytes, view.statements[0].length) == "A = A + 1");
    CHECK((view.clockOption == ClockOption::Manual && view.historyLast == 0 && view.beeps == 0));
}

// A Japanese text is written in Japanese, unless it is alike in both (the panel's own, a glyph).
TEST_CASE("every text of the page is in English and in Japanese, with its numbers' places in both") {
    const auto places = [](std::string_view text) {
        int count = 0;
        for (std::size_t at = text.find("%s"); at != std::string_view::npos; at = text.find("%s", at + 2))
            ++count;
        return count;
    };
    for (const auto& [key, text] : bilingualTexts()) {
        CAPTURE(key);
        const bool japanese = std::any_of(text.japanese.begin(), text.japanese.end(),
                                          [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        CHECK(!text.english.empty());
        CHECK((text.alike ? text.japanese == text.english : japanese));
        CHECK(places(text.english) == places(text.japanese));
    }
}
