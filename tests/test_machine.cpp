// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "machine/machine.h"
#include "reference_model.h"

using qzb::Machine;
using qzb::MachineState;
using qzb::PanelSwitches;
using qzb::SwitchState;

template <>
struct doctest::StringMaker<MachineState> {
    static String convert(const MachineState& s) {
        const std::string text = "PC " + std::to_string(s.pc) + " A " + std::to_string(s.a) + " B " +
                                 std::to_string(s.b) + " OUT " + std::to_string(s.out) + " C " +
                                 std::to_string(s.carry);
        return text.c_str();
    }
};

namespace {

void setWord(PanelSwitches& switches, int address, int word) {
    for (int bit = 0; bit < 8; ++bit) {
        switches.program[static_cast<std::size_t>(address * 8 + bit)] =
            ((word >> bit) & 1) != 0 ? SwitchState::On : SwitchState::Off;
    }
}

void setInput(PanelSwitches& switches, int value) {
    for (int bit = 0; bit < 4; ++bit) {
        switches.input[static_cast<std::size_t>(bit)] =
            ((value >> bit) & 1) != 0 ? SwitchState::On : SwitchState::Off;
    }
}

}  // namespace

TEST_CASE("word access") {
    struct Case {
        std::vector<int> on, greyed;
        int address, word;
    };
    const Case cases[] = {{{}, {}, 0, 0},
                          {{0}, {}, 0, 1},
                          {{7}, {}, 0, 128},
                          {{127}, {}, 15, 128},
                          {{127}, {}, 14, 0},
                          {{8}, {}, 1, 1},
                          {{16, 17, 20, 21, 23}, {}, 2, 0xB3},
                          {{1}, {0, 7}, 0, 2}};
    for (const Case& c : cases) {
        PanelSwitches switches;
        for (int index : c.on) switches.program[static_cast<std::size_t>(index)] = SwitchState::On;
        for (int index : c.greyed) switches.program[static_cast<std::size_t>(index)] = SwitchState::Greyed;
        CHECK(int(qzb::readProgramWord(switches, c.address)) == c.word);
    }
}

TEST_CASE("input port and mask") {
    PanelSwitches switches;
    switches.input = {SwitchState::On, SwitchState::Off, SwitchState::Greyed, SwitchState::On};
    CHECK(int(qzb::readInputPort(switches)) == 9);
    for (auto [in, out] : {std::pair{16, 0}, {30, 14}, {15, 15}}) CHECK(int(qzb::nibble(in)) == out);
}

// Every upper nibble, with the carry clear and set, and sums below and above 15.
// The operand sits in whichever source the row reads; the others hold
// distinct values so that a wrong selector shows.
TEST_CASE("instruction cycle") {
    for (int upper = 0; upper < 16; ++upper) {
        for (bool carryBefore : {false, true}) {
            for (auto [im, operand] : {std::pair{3, 9}, {9, 12}, {0, 15}, {15, 15}, {1, 15}}) {
                const reference::Source source = reference::instructionTable[upper].source;
                const std::uint8_t pc = 6;
                MachineState before{pc, 5, 10, 7, carryBefore};
                int input = 2;
                if (source == reference::Source::A) before.a = static_cast<std::uint8_t>(operand);
                if (source == reference::Source::B) before.b = static_cast<std::uint8_t>(operand);
                if (source == reference::Source::Input) input = operand;

                PanelSwitches switches;
                setWord(switches, pc, upper * 16 + im);
                setInput(switches, input);
                Machine machine(switches);
                machine.setState(before);
                const qzb::StepRecord record = machine.step();

                INFO("word " << upper * 16 + im << ", operand " << operand << ", carry " << carryBefore);
                CHECK(machine.state() == reference::step(before, upper * 16 + im, input));
                const int inputRead = source == reference::Source::Input ? input : 0;
                CHECK(record == qzb::StepRecord{std::uint8_t(upper * 16 + im), std::uint8_t(inputRead),
                                                before, machine.state()});
                CHECK(record.address() == pc);
            }
        }
    }
}

TEST_CASE("reset clears the registers only") {
    PanelSwitches switches;
    setInput(switches, 5);
    switches.clock.select1Hz();
    switches.beep = SwitchState::Greyed;
    const PanelSwitches before = switches;
    Machine machine(switches);
    machine.setState({7, 1, 2, 3, true});
    machine.reset();
    CHECK(machine.state() == MachineState{});
    CHECK(switches == before);
}
