// SPDX-License-Identifier: MIT
// Micro-benchmarks of the hot paths: one instruction alone, one instruction
// with the panel's redraw, DecToBin, and the setting file both ways.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdint>

#include "bench_support.h"
#include "machine/machine.h"
#include "panel/frm_main.h"
#ifdef QZB_BENCH_SETTING_FILE
#include "settings/setting_file.h"
#endif

namespace {

using SilentDesktop = qzb::bench::CountingDesktop;

// A = A + 1, B = B + 1, OUT = B, jump to 0 if no carry, and input into A:
// every source, every destination and both jump outcomes come up.
void loadMixedProgram(qzb::PanelSwitches& switches) {
    qzb::bench::loadProgram(switches,
                            {0b0000'0111, 0b0101'0011, 0b1000'0000, 0b0010'0001, 0b1110'0000, 0b1111'0000});
    switches.input = {qzb::SwitchState::On, qzb::SwitchState::Off, qzb::SwitchState::On,
                      qzb::SwitchState::Off};
}

void BM_Step(benchmark::State& state) {
    qzb::PanelSwitches switches;
    loadMixedProgram(switches);
    qzb::Machine machine(switches);
    for (auto _ : state) {
        machine.step();
        benchmark::DoNotOptimize(machine.state());
    }
}
BENCHMARK(BM_Step);

// The shown window running the mixed program at 10 Hz, painted once. Its own
// timer is stopped: the benchmark ticks.
struct ShownPanel {
    SilentDesktop desktop;
    qzb::frmMain window{desktop};
    ShownPanel() {
        qzb::PanelSwitches program;
        loadMixedProgram(program);
        program.clock.select10Hz();
        window.applyLoaded(program);
        window.Timer1.stop();
        window.show();
        QCoreApplication::processEvents();
    }
};

// The step as a tick runs it: the refresh compares every readout's text and
// colour with the machine's state and sets those that differ.
// Painting is left to the event loop and is not included here.
void BM_StepWithRefresh(benchmark::State& state) {
    ShownPanel panel;
    for (auto _ : state) panel.window.onTimerTick();
}
BENCHMARK(BM_StepWithRefresh);

// The same with the repaint the refresh causes, as the event loop does it
// after a tick (offscreen: painted into the backing store, then flushed).
void BM_StepWithRefreshAndPaint(benchmark::State& state) {
    ShownPanel panel;
    for (auto _ : state) {
        panel.window.onTimerTick();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_StepWithRefreshAndPaint);

void BM_DecToBin(benchmark::State& state) {
    SilentDesktop desktop;
    qzb::frmMain window(desktop);
    const bool ledStyle = state.range(0) != 0;
    int value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.DecToBin(value, ledStyle));
        value = (value + 1) & 15;
    }
}
BENCHMARK(BM_DecToBin)->ArgName("led")->Arg(0)->Arg(1);

#ifdef QZB_BENCH_SETTING_FILE
qzb::PanelSwitches everyKindOfSwitch() {
    qzb::PanelSwitches switches;
    loadMixedProgram(switches);
    switches.program[127] = qzb::SwitchState::Greyed;
    switches.clock.select10Hz();
    switches.beep = qzb::SwitchState::On;
    return switches;
}

void BM_WriteSettingFile(benchmark::State& state) {
    const qzb::PanelSwitches switches = everyKindOfSwitch();
    for (auto _ : state) benchmark::DoNotOptimize(qzb::writeSettingFile(switches));
}
BENCHMARK(BM_WriteSettingFile);

void BM_ReadSettingFile(benchmark::State& state) {
    const std::string text = qzb::writeSettingFile(everyKindOfSwitch());
    qzb::PanelSwitches switches;
    for (auto _ : state) {
        qzb::readSettingFile(text, switches);
        benchmark::DoNotOptimize(switches);
    }
}
BENCHMARK(BM_ReadSettingFile);
#endif

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
