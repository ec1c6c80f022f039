#include <QTest>

#include <vector>

#include "machine/machine.h"

using qzb::Machine;
using qzb::MachineState;
using qzb::PanelSwitches;
using qzb::SwitchState;

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

// The instruction set as a programmer's table states it, one row per upper
// nibble, written independently of the gate equations the machine uses.
enum class Source { A, B, Input, Zero };
enum class Target { A, B, Out, JumpIfNoCarry, Jump };
struct Row {
    Source source;
    Target target;
};
constexpr Row instructionTable[16] = {
    {Source::A, Target::A},        {Source::B, Target::A},     {Source::Input, Target::A},
    {Source::Zero, Target::A},     {Source::A, Target::B},     {Source::B, Target::B},
    {Source::Input, Target::B},    {Source::Zero, Target::B},  {Source::B, Target::Out},
    {Source::B, Target::Out},      {Source::Zero, Target::Out}, {Source::Zero, Target::Out},
    {Source::B, Target::JumpIfNoCarry}, {Source::B, Target::Jump}, {Source::Zero, Target::JumpIfNoCarry},
    {Source::Zero, Target::Jump},
};

}  // namespace

class TestMachine : public QObject {
    Q_OBJECT

private slots:
    void wordAccess_data() {
        QTest::addColumn<QList<int>>("onSwitches");
        QTest::addColumn<QList<int>>("greyedSwitches");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("expectedWord");
        QTest::newRow("all off") << QList<int>{} << QList<int>{} << 0 << 0;
        QTest::newRow("switch 0") << QList<int>{0} << QList<int>{} << 0 << 1;
        QTest::newRow("switch 7") << QList<int>{7} << QList<int>{} << 0 << 128;
        QTest::newRow("switch 127 at 15") << QList<int>{127} << QList<int>{} << 15 << 128;
        QTest::newRow("switch 127 at 14") << QList<int>{127} << QList<int>{} << 14 << 0;
        QTest::newRow("switch 8 is address 1") << QList<int>{8} << QList<int>{} << 1 << 1;
        QTest::newRow("whole word") << QList<int>{16, 17, 20, 21, 23} << QList<int>{} << 2 << 0xB3;
        QTest::newRow("greyed reads off") << QList<int>{1} << QList<int>{0, 7} << 0 << 2;
    }
    void wordAccess() {
        QFETCH(QList<int>, onSwitches);
        QFETCH(QList<int>, greyedSwitches);
        QFETCH(int, address);
        QFETCH(int, expectedWord);
        PanelSwitches switches;
        for (int index : onSwitches) switches.program[static_cast<std::size_t>(index)] = SwitchState::On;
        for (int index : greyedSwitches) switches.program[static_cast<std::size_t>(index)] = SwitchState::Greyed;
        QCOMPARE(qzb::readProgramWord(switches, static_cast<std::int16_t>(address)), expectedWord);
    }

    void inputPort() {
        PanelSwitches switches;
        switches.input = {SwitchState::On, SwitchState::Off, SwitchState::Off, SwitchState::On};
        QCOMPARE(qzb::readInputPort(switches), 9);
        switches.input[3] = SwitchState::Greyed;
        QCOMPARE(qzb::readInputPort(switches), 1);
    }

    void nibbleMask() {
        for (auto [in, out] : {std::pair{16, 0}, {30, 14}, {15, 15}, {0, 0}}) {
            std::int16_t value = static_cast<std::int16_t>(in);
            qzb::maskNibble(value);
            QCOMPARE(value, out);
        }
    }

    // Every upper nibble, with the carry clear and set, and sums below and above 15.
    void instructionCycle_data() {
        QTest::addColumn<int>("upper");
        QTest::addColumn<bool>("carryBefore");
        QTest::addColumn<int>("im");
        QTest::addColumn<int>("operand");
        for (int upper = 0; upper < 16; ++upper) {
            for (bool carry : {false, true}) {
                for (auto [im, operand] : {std::pair{3, 9}, {9, 12}, {0, 15}, {15, 15}, {1, 15}}) {
                    QTest::addRow("%X%X op=%d c=%d", upper, im, operand, carry ? 1 : 0)
                        << upper << carry << im << operand;
                }
            }
        }
    }
    void instructionCycle() {
        QFETCH(int, upper);
        QFETCH(bool, carryBefore);
        QFETCH(int, im);
        QFETCH(int, operand);

        // Put the operand in whichever source the row reads; the others hold
        // distinct values so a wrong selector shows.
        const Row row = instructionTable[upper];
        const int pc = 6;
        MachineState before{pc, 5, 10, 7, carryBefore};
        int input = 2;
        switch (row.source) {
        case Source::A: before.a = static_cast<std::int16_t>(operand); break;
        case Source::B: before.b = static_cast<std::int16_t>(operand); break;
        case Source::Input: input = operand; break;
        case Source::Zero: break;
        }
        const int sourceValue = row.source == Source::Zero ? 0 : operand;
        const int sum = sourceValue + im;

        PanelSwitches switches;
        setWord(switches, pc, upper * 16 + im);
        setInput(switches, input);
        Machine machine(switches, {});
        machine.setState(before);
        machine.step();

        MachineState expected = before;
        expected.carry = sum > 15;
        expected.pc = static_cast<std::int16_t>(pc + 1);
        const auto result = static_cast<std::int16_t>(sum % 16);
        switch (row.target) {
        case Target::A: expected.a = result; break;
        case Target::B: expected.b = result; break;
        case Target::Out: expected.out = result; break;
        case Target::JumpIfNoCarry:
            if (!carryBefore) expected.pc = result;
            break;
        case Target::Jump: expected.pc = result; break;
        }
        const MachineState& after = machine.state();
        QCOMPARE(after.pc, expected.pc);
        QCOMPARE(after.a, expected.a);
        QCOMPARE(after.b, expected.b);
        QCOMPARE(after.out, expected.out);
        QCOMPARE(after.carry, expected.carry);
    }

    void emptyMemoryWalksAndWraps() {
        PanelSwitches switches;
        Machine machine(switches, {});
        for (int expectedPc : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1}) {
            machine.step();
            QCOMPARE(machine.state().pc, expectedPc);
            QCOMPARE(machine.state().a, 0);
            QVERIFY(!machine.state().carry);
        }
    }

    void carryDecidesConditionalJump() {
        PanelSwitches switches;
        setWord(switches, 0, 0x01);  // A = A + 1
        setWord(switches, 1, 0xE5);  // jump to 5 if no carry
        Machine machine(switches, {});
        machine.setState({0, 15, 0, 0, false});
        machine.step();
        QCOMPARE(machine.state().a, 0);
        QVERIFY(machine.state().carry);
        machine.step();
        QCOMPARE(machine.state().pc, 2);

        machine.setState({0, 14, 0, 0, true});
        machine.step();
        QCOMPARE(machine.state().a, 15);
        QVERIFY(!machine.state().carry);
        machine.step();
        QCOMPARE(machine.state().pc, 5);
    }

    void jumpToItselfHolds() {
        PanelSwitches switches;
        setWord(switches, 9, 0xF9);
        Machine machine(switches, {});
        machine.setState({9, 0, 0, 0, false});
        for (int i = 0; i < 5; ++i) {
            machine.step();
            QCOMPARE(machine.state().pc, 9);
        }
    }

    void switchFlippedCountsFromNextFetch() {
        PanelSwitches switches;
        Machine machine(switches, {});
        machine.step();  // word 0 is 0: A = A + 0
        switches.program[8] = SwitchState::On;  // word 1 becomes A = A + 1
        machine.step();
        QCOMPARE(machine.state().a, 1);
    }

    void resetClearsRegistersOnly() {
        PanelSwitches switches;
        setWord(switches, 0, 0x3A);
        setInput(switches, 5);
        switches.clock.select1Hz();
        switches.beep = SwitchState::Greyed;
        const PanelSwitches before = switches;
        Machine machine(switches, {});
        machine.setState({7, 1, 2, 3, true});
        machine.reset();
        QCOMPARE(machine.state(), MachineState{});
        QVERIFY(switches == before);
    }

    void refreshOncePerStepAndReset() {
        PanelSwitches switches;
        int refreshes = 0;
        setWord(switches, 0, 0xF0);  // a jump takes the other write-back path
        Machine machine(switches, [&] { ++refreshes; });
        machine.step();
        QCOMPARE(refreshes, 1);
        switches.program = {};
        machine.step();
        QCOMPARE(refreshes, 2);
        machine.reset();
        QCOMPARE(refreshes, 3);
    }

    // OUT = B; B = B + 1; jump to 0 unless B wrapped; then hold at 3.
    void countingProgramTrace() {
        PanelSwitches switches;
        setWord(switches, 0, 0x80);
        setWord(switches, 1, 0x51);
        setWord(switches, 2, 0xE0);
        setWord(switches, 3, 0xF3);
        std::vector<int> outputs;
        Machine* running = nullptr;
        Machine machine(switches, [&] {
            if (running->state().pc == 1) outputs.push_back(running->state().out);
        });
        running = &machine;
        for (int i = 0; i < 16 * 3 + 4; ++i) machine.step();
        QCOMPARE(static_cast<int>(outputs.size()), 16);
        for (int i = 0; i < 16; ++i) QCOMPARE(outputs[static_cast<std::size_t>(i)], i);
        QCOMPARE(machine.state().pc, 3);
        QCOMPARE(machine.state().b, 0);
        QVERIFY(!machine.state().carry);  // the halt jump's own sum clears it
    }

    // Reads the input port, adds constants and branches on the carry.
    void inputLoopProgram() {
        PanelSwitches switches;
        setWord(switches, 0, 0x23);  // A = input + 3
        setWord(switches, 1, 0x10);  // A = B + 0  (B is 0 here, so A = 0)
        setWord(switches, 2, 0x60);  // B = input + 0
        setWord(switches, 3, 0x50 | 4);  // B = B + 4
        setWord(switches, 4, 0xC3);  // if no carry jump to B + 3
        setWord(switches, 5, 0xB9);  // OUT = 9
        setWord(switches, 6, 0xF6);  // hold
        setInput(switches, 2);
        Machine machine(switches, {});
        machine.step();
        QCOMPARE(machine.state().a, 5);
        machine.step();
        QCOMPARE(machine.state().a, 0);
        machine.step();
        QCOMPARE(machine.state().b, 2);
        machine.step();
        QCOMPARE(machine.state().b, 6);
        machine.step();  // B + 3 = 9: no carry, jump to 9 (empty memory: A = A + 0)
        QCOMPARE(machine.state().pc, 9);
    }
};

QTEST_APPLESS_MAIN(TestMachine)
#include "test_machine.moc"
