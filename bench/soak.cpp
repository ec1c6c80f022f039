// SPDX-License-Identifier: MIT
// A long run of the real window: a million instructions, each with its full
// redraw, in the offscreen panel. Prints resident memory before and after; the
// sanitized build runs it as a test so LeakSanitizer sees the whole run.
//
//   qzb_soak [CYCLES]     default 1000000

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "first_show.h"
#include "panel/frm_main.h"

namespace {

// B counts up, OUT follows B (so the lamps and the beep change), A follows the
// carry, and the jump walks PC over four rows: every readout keeps changing. At
// 10 Hz, so that every tick is a step.
qzb::PanelSwitches soakProgram() {
    qzb::PanelSwitches switches;
    qzb::bench::loadProgram(switches, {0x51, 0x80, 0x01, 0xF0});
    switches.beep = qzb::SwitchState::On;
    switches.clock.select10Hz();
    return switches;
}

void run(QApplication& app, qzb::frmMain& window, long cycles) {
    for (long i = 1; i <= cycles; ++i) {
        window.onTimerTick();
        if (i % 1000 == 0) app.processEvents();  // lets the window repaint as it would between ticks
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1'000'000;
    QApplication app(argc, argv);
    qzb::bench::CountingDesktop desktop;
    qzb::frmMain window(desktop);
    window.applyLoaded(soakProgram());
    window.Timer1.stop();  // the soak ticks itself
    window.show();
    app.processEvents();

    run(app, window, 20'000);  // warm-up: caches, glyphs and allocator pools settle first
    const long before = qzb::bench::statusKilobytes("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    run(app, window, cycles);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const long after = qzb::bench::statusKilobytes("VmRSS");

    const long growth = after - before;
    std::printf("soak      %ld cycles of step + refreshDisplay in %.1f s (%.1f us a cycle), %d beeps\n",
                cycles, elapsed.count(), elapsed.count() * 1e6 / static_cast<double>(cycles), desktop.beeps);
    std::printf("resident  %ld KiB before, %ld KiB after: growth %ld KiB (goal < 1024 KiB)\n", before, after,
                growth);
#if defined(__SANITIZE_ADDRESS__)
    std::printf("          sanitized build: freed memory sits in quarantine, so growth is not judged here\n");
    return desktop.messages == 0 ? 0 : 1;
#else
    return growth < 1024 && desktop.messages == 0 ? 0 : 1;
#endif
}
