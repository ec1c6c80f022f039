// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <string>

#include "front_panel/front_panel.h"

using qzb::FrontPanel;
using qzb::SwitchState;

namespace {

// Every word B = B + 1, so the step count shows in B (modulo 16).
void countInB(FrontPanel& panel) {
    for (int address = 0; address < 16; ++address) {
        for (int bit = 0; bit < 8; ++bit)
            panel.switches().program[std::size_t(address * 8 + bit)] = SwitchState((0x51 >> bit) & 1);
    }
}

// Ticks the panel `count` times and returns the steps taken, one digit per tick.
std::string ticks(FrontPanel& panel, int count) {
    std::string steps;
    for (int i = 0; i < count; ++i) {
        const int before = panel.state().b;
        panel.tick();
        steps += panel.state().b != before ? '1' : '0';
    }
    return steps;
}

}  // namespace

TEST_CASE("the clock generator: 10 Hz, 1 Hz with its divider, Manual and no option") {
    int refreshes = 0;
    FrontPanel panel([&] { ++refreshes; });
    countInB(panel);
    CHECK(ticks(panel, 3) == "000");  // Manual, as the panel starts
    panel.clock();
    CHECK(panel.state().b == 1);
    panel.switches().clock.select10Hz();
    CHECK(ticks(panel, 3) == "111");
    panel.clock();  // the button does nothing unless Manual is selected
    CHECK(panel.state().b == 4);
    panel.switches().clock.select1Hz();
    CHECK(ticks(panel, 14) == "00000000010000");
    // The divider keeps its count across another selection and a reset.
    panel.switches().clock.select10Hz();
    CHECK(ticks(panel, 1) == "1");
    panel.reset();
    panel.switches().clock.select1Hz();
    CHECK(ticks(panel, 6) == "000001");
    panel.switches().clock = {false, false, false};
    CHECK(ticks(panel, 20) == std::string(20, '0'));
    panel.clock();
    CHECK(panel.state().b == 1);
    CHECK(refreshes == 1 + 3 + 1 + 1 + 1 + 1);  // every step and the reset
}

TEST_CASE("readouts: digits, lamps, the red row and the beep") {
    FrontPanel panel;
    CHECK(panel.readouts() == qzb::Readouts{"0000", "0000", "0000", "0", "○○○○", 0, false});
    panel.machine().setState({.pc = 15, .a = 5, .b = 10, .out = 8, .carry = true});
    CHECK(panel.readouts() == qzb::Readouts{"0101", "1010", "1111", "1", "●○○○", 15, false});
    for (const auto& [beep, out, due] : {std::tuple{SwitchState::On, 8, true},
                                         {SwitchState::On, 7, false},
                                         {SwitchState::Greyed, 15, false},
                                         {SwitchState::Off, 8, false}}) {
        panel.switches().beep = beep;
        panel.machine().setState({.out = std::uint8_t(out)});
        CHECK(panel.readouts().beep == due);
    }
    CHECK(qzb::decToBin(16, false) == std::nullopt);
    CHECK(qzb::addressText(7) == "Address 07");
}

TEST_CASE("Tab enters the clock options at the selected one, or the first") {
    FrontPanel panel;
    CHECK(panel.tabStopOption() == 2);
    panel.switches().clock.select10Hz();
    CHECK(panel.tabStopOption() == 1);
    panel.switches().clock = {false, false, false};
    CHECK(panel.tabStopOption() == 0);
}
