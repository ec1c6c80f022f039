// SPDX-License-Identifier: MIT
// How true the panel's clock runs. The real window runs a program whose every
// word sets OUT to 8 with Beep on, so each executed instruction beeps exactly
// once; the beeps are the count of instructions. Each tick of Timer1 is timed
// as it is dispatched, before the window's handler runs.
//
//   qzb_clock [SECONDS]     runs 10 Hz for SECONDS (default 60), then 1 Hz as long

#include <QApplication>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "first_show.h"
#include "panel/frm_main.h"

namespace {

using qzb::bench::CountingDesktop;

struct Tick {
    double at;       // seconds, CLOCK_MONOTONIC, when the timer event was dispatched
    int beepsAfter;  // instructions executed so far, once the tick was handled
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const double rank = p * static_cast<double>(values.size() - 1);
    const auto low = static_cast<std::size_t>(std::floor(rank));
    const auto high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - static_cast<double>(low));
}

// One measured stretch at one clock rate: the ticks whose dispatch falls inside
// [start, start + seconds). Phases start half a tick after a tick, so a tick
// that is a little late can never slip out of or into the window.
struct Phase {
    Phase(const char* phaseName, double rate) : name(phaseName), stepsPerSecond(rate) {}

    const char* name;
    double stepsPerSecond;
    double start = 0;
    int beepsAtStart = 0;
    std::vector<Tick> ticks;

    void report(double seconds) const {
        const int expected = static_cast<int>(std::lround(seconds * stepsPerSecond));
        const int executed = ticks.empty() ? 0 : ticks.back().beepsAfter - beepsAtStart;
        std::vector<double> stepTimes;
        int before = beepsAtStart;
        for (const Tick& tick : ticks) {
            if (tick.beepsAfter > before) stepTimes.push_back(tick.at);
            before = tick.beepsAfter;
        }
        const double rate = stepTimes.size() > 1 ? static_cast<double>(stepTimes.size() - 1) /
                                                       (stepTimes.back() - stepTimes.front())
                                                 : 0.0;
        // Lateness against the ideal schedule t0 + k * 100 ms. A Qt timer never fires
        // early, so t0 is taken from the tick that came closest to its slot.
        std::vector<double> lateness;
        for (std::size_t k = 0; k < ticks.size(); ++k) {
            lateness.push_back((ticks[k].at - ticks.front().at - static_cast<double>(k) * 0.1) * 1e3);
        }
        const double onTime = *std::min_element(lateness.begin(), lateness.end());
        for (double& late : lateness) late -= onTime;
        const std::size_t tenth = std::max<std::size_t>(1, lateness.size() / 10);
        const std::vector<double> first(lateness.begin(), lateness.begin() + static_cast<long>(tenth));
        const std::vector<double> last(lateness.end() - static_cast<long>(tenth), lateness.end());
        const bool met = std::abs(executed - expected) <= 1 && percentile(lateness, 0.99) < 5.0;
        std::printf("clock %-6s %5.0f s   steps %4d of %4d   rate %7.4f Hz   ticks %4zu of %4d\n", name,
                    seconds, executed, expected, rate, ticks.size(),
                    static_cast<int>(std::lround(seconds * 10)));
        std::printf(
            "clock %-6s lateness ms: median %.3f  p99 %.3f  max %.3f   "
            "drift: first tenth %.3f, last tenth %.3f   %s\n",
            name, percentile(lateness, 0.5), percentile(lateness, 0.99),
            *std::max_element(lateness.begin(), lateness.end()), percentile(first, 0.5),
            percentile(last, 0.5), met ? "goal met" : "GOAL MISSED");
        std::fflush(stdout);
    }
};

qzb::PanelSwitches outputEightEverywhere() {
    qzb::PanelSwitches switches;
    constexpr std::uint8_t outEight = 0b1010'1000;  // OUT = 8; PC advances
    qzb::bench::loadProgram(
        switches, {outEight, outEight, outEight, outEight, outEight, outEight, outEight, outEight, outEight,
                   outEight, outEight, outEight, outEight, outEight, outEight, outEight});
    switches.beep = qzb::SwitchState::On;
    return switches;
}

class TickRecorder : public QObject {
public:
    TickRecorder(qzb::frmMain& window, CountingDesktop& desktop, double seconds)
        : window_(window), desktop_(desktop), seconds_(seconds) {
        window.Timer1.installEventFilter(this);
        connect(&window.Timer1, &QTimer::timeout, this, &TickRecorder::afterTick);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Timer) dispatchedAt_ = qzb::bench::secondsOf(CLOCK_MONOTONIC);
        return false;
    }

private:
    void afterTick() {
        if (phase_ < 0) {
            phase_ = 0;
            startPhaseSoon();
            return;
        }
        if (phase_ >= 2 || !running_) return;
        Phase& phase = phases_[phase_];
        if (dispatchedAt_ < phase.start + seconds_) {
            phase.ticks.push_back({dispatchedAt_, desktop_.beeps});
            return;
        }
        running_ = false;
        phase.report(seconds_);
        if (++phase_ < 2) {
            startPhaseSoon();
        } else {
            if (desktop_.messages != 0) std::printf("unexpected messages: %d\n", desktop_.messages);
            QCoreApplication::quit();
        }
    }

    void startPhaseSoon() {
        QTimer::singleShot(50, Qt::PreciseTimer, this, [this] {
            Phase& phase = phases_[phase_];
            window_.findChild<QRadioButton*>(phase_ == 0 ? "optClk2" : "optClk1")->click();
            phase.beepsAtStart = desktop_.beeps;
            phase.start = qzb::bench::secondsOf(CLOCK_MONOTONIC);
            running_ = true;
        });
    }

    qzb::frmMain& window_;
    CountingDesktop& desktop_;
    double seconds_;
    double dispatchedAt_ = 0;
    int phase_ = -1;
    bool running_ = false;
    Phase phases_[2] = {{"10 Hz", 10.0}, {"1 Hz", 1.0}};
};

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    if (!(seconds >= 1)) {
        std::fprintf(stderr, "usage: %s [SECONDS]   (at least 1)\n", argv[0]);
        return 2;
    }
    CountingDesktop desktop;
    qzb::frmMain window(desktop);
    window.applyLoaded(outputEightEverywhere());
    window.show();
    TickRecorder recorder(window, desktop, seconds);
    return QApplication::exec();
}
