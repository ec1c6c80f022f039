// SPDX-License-Identifier: MIT
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <string>
#include <tuple>
#include <vector>

#include "machine/machine.h"
#include "reference_model.h"

using namespace qzb;

template <>
struct doctest::StringMaker<MachineState> {
    static String convert(const MachineState& s) {
        return ("PC " + std::to_string(s.pc) + " A " + std::to_string(s.a) + " B " + std::to_string(s.b) +
                " OUT " + std::to_string(s.out) + " C " + std::to_string(s.carry))
            .c_str();
    }
};

namespace {

// Sets `count` switches from `first` on to the bits of `value`, least significant first.
template <std::size_t N>
void setBits(std::array<SwitchState, N>& bank, std::size_t first, int count, int value) {
    for (int bit = 0; bit < count; ++bit) bank[first + std::size_t(bit)] = SwitchState((value >> bit) & 1);
}

}  // namespace

TEST_CASE("word access: only a switch that is on counts") {
    // clang-format off
    const std::tuple<std::vector<int>, std::vector<int>, int, int> cases[] = {  // on, greyed, address, word
        {{}, {}, 0, 0}, {{0}, {}, 0, 1}, {{7}, {}, 0, 128}, {{127}, {}, 15, 128}, {{127}, {}, 14, 0},
        {{8}, {}, 1, 1}, {{16, 17, 20, 21, 23}, {}, 2, 0xB3}, {{1}, {0, 7}, 0, 2}};
    // clang-format on
    for (const auto& [on, greyed, address, word] : cases) {
        PanelSwitches switches;
        for (int index : on) switches.program[std::size_t(index)] = SwitchState::On;
        for (int index : greyed) switches.program[std::size_t(index)] = SwitchState::Greyed;
        CHECK(int(readProgramWord(switches, address)) == word);
    }
    PanelSwitches switches;
    switches.input = {SwitchState::On, SwitchState::Off, SwitchState::Greyed, SwitchState::On};
    CHECK(int(readInputPort(switches)) == 9);
}

// Every upper nibble at address 15, with the carry clear and set, and sums below, at and above 15,
// against the reference table. The operand sits in whichever source the row reads; the others hold
// distinct values, so a wrong selector shows.
TEST_CASE("instruction cycle") {
    for (int upper = 0; upper < 16; ++upper) {
        for (bool carryBefore : {false, true}) {
            for (auto [im, operand] : {std::pair{3, 9}, {9, 12}, {0, 15}, {15, 15}, {1, 15}}) {
                const reference::Source source = reference::instructionTable[upper].source;
                const int word = upper * 16 + im;
                MachineState before{15, 5, 10, 7, carryBefore};
                int input = 2;
                if (source == reference::Source::A) before.a = std::uint8_t(operand);
                if (source == reference::Source::B) before.b = std::uint8_t(operand);
                if (source == reference::Source::Input) input = operand;
                PanelSwitches switches;
                setBits(switches.program, 15 * 8, 8, word);
                setBits(switches.input, 0, 4, input);
                Machine machine(switches);
                machine.setState(before);
                const StepRecord record = machine.step();

                INFO("word " << word << ", operand " << operand << ", carry " << carryBefore);
                CHECK(machine.state() == reference::step(before, word, input));
                const int inputRead = source == reference::Source::Input ? input : 0;
                CHECK(record ==
                      StepRecord{std::uint8_t(word), std::uint8_t(inputRead), before, machine.state()});
            }
        }
    }
}

TEST_CASE("reset clears the registers only") {
    PanelSwitches switches;
    setBits(switches.input, 0, 4, 5);
    switches.clock.select1Hz();
    switches.beep = SwitchState::Greyed;
    const PanelSwitches before = switches;
    Machine machine(switches);
    machine.setState({7, 1, 2, 3, true});
    machine.reset();
    CHECK(machine.state() == MachineState{});
    CHECK(switches == before);
}
