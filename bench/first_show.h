// SPDX-License-Identifier: MIT
#pragma once

// Shared by the floor and the panel probe, so both are measured the same way:
// the time from process start to the end of the first expose of the window
// (painted and flushed), the CPU time the process spends in a following run,
// and its peak resident memory.

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace qzb::bench {

inline double secondsOf(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// When the process started, on CLOCK_MONOTONIC. The launcher passes the moment
// just before it spawned us; without it the kernel's start time is used, which
// is only as fine as one clock tick (usually 10 ms).
inline double processStartMonotonic() {
    if (const char* spawned = std::getenv("QZB_BENCH_T0_NS")) return std::strtod(spawned, nullptr) * 1e-9;
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
    }
    const double startSinceBoot = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return startSinceBoot - (secondsOf(CLOCK_BOOTTIME) - secondsOf(CLOCK_MONOTONIC));
}

inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline long statusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return -1;
}

// Watches for the window's first expose, lets the window handle it (it paints
// and flushes then), and only then takes the time. After `runSeconds` more it
// prints one line of figures and quits.
class FirstShowProbe : public QObject {
public:
    FirstShowProbe(QWidget& window, double runSeconds, std::function<void()> startRun = {})
        : window_(window), runSeconds_(runSeconds), startRun_(std::move(startRun)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (shown_ || event->type() != QEvent::Expose || watched != window_.windowHandle()) return false;
        const bool handled = watched->event(event);
        if (!window_.windowHandle()->isExposed()) return handled;
        shown_ = true;
        shownAt_ = secondsOf(CLOCK_MONOTONIC);
        cpuAtShow_ = cpuSeconds();
        hwmAtShow_ = statusKilobytes("VmHWM");
        QTimer::singleShot(0, this, [this] {
            if (startRun_) startRun_();
            cpuAtRunStart_ = cpuSeconds();
            runStartedAt_ = secondsOf(CLOCK_MONOTONIC);
            QTimer::singleShot(static_cast<int>(runSeconds_ * 1000), Qt::PreciseTimer, this,
                               [this] { finish(); });
        });
        return true;
    }

private:
    void finish() {
        const double ranFor = secondsOf(CLOCK_MONOTONIC) - runStartedAt_;
        const double runCpu = cpuSeconds() - cpuAtRunStart_;
        std::printf(
            "startup_ms=%.2f cpu_to_show_ms=%.1f hwm_at_show_kb=%ld hwm_kb=%ld run_s=%.3f run_cpu_ms=%.2f\n",
            (shownAt_ - processStartMonotonic()) * 1e3, cpuAtShow_ * 1e3, hwmAtShow_,
            statusKilobytes("VmHWM"), ranFor, runCpu * 1e3);
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    QWidget& window_;
    double runSeconds_;
    std::function<void()> startRun_;
    bool shown_ = false;
    double shownAt_ = 0;
    double cpuAtShow_ = 0;
    long hwmAtShow_ = 0;
    double cpuAtRunStart_ = 0;
    double runStartedAt_ = 0;
};

// The seconds to run after the window is shown: the first argument, or 0.
inline double runSecondsArgument(int argc, char* argv[]) {
    return argc > 1 ? std::atof(argv[1]) : 0.0;
}

}  // namespace qzb::bench
