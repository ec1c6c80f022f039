// SPDX-License-Identifier: MIT
// Runs the floor and the panel probe in turn, the same way, and prints their
// start-up time, peak resident memory and CPU time side by side.
//
//   qzb_footprint FLOOR PANEL [--runs N] [--cpu-seconds S]
//
// Start-up and memory come from N short runs of each program, alternating
// which goes first; CPU time from one run of each that keeps going S seconds
// after the window is shown (the panel at 10 Hz); 0 seconds skips it.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    std::map<std::string, double> reported;  // the line the program printed
    double maxRssKb = 0;                     // what the kernel saw
    double cpuMs = 0;
};

double monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

Run runOnce(const std::string& program, double runSeconds) {
    int out[2];
    if (pipe(out) != 0) std::exit(2);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "QZB_BENCH_T0_NS=", 16) != 0) environment.emplace_back(*entry);
    }
    const std::string seconds = std::to_string(runSeconds);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(seconds.c_str()), nullptr};

    char startMark[64];
    std::snprintf(startMark, sizeof startMark, "QZB_BENCH_T0_NS=%.0f", monotonicNs());
    environment.emplace_back(startMark);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);

    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.find("startup_ms=") == std::string::npos) {
        std::fprintf(stderr, "%s failed (status %d): %s\n", program.c_str(), status, text.c_str());
        std::exit(1);
    }
    Run run;
    std::istringstream fields(text);
    for (std::string field; fields >> field;) {
        const auto equals = field.find('=');
        if (equals != std::string::npos)
            run.reported[field.substr(0, equals)] = std::stod(field.substr(equals + 1));
    }
    run.maxRssKb = static_cast<double>(usage.ru_maxrss);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec * 1e-3; };
    run.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary {
    double median, low, high;
};

Summary summarise(const std::vector<double>& values) {
    return {median(values), *std::min_element(values.begin(), values.end()),
            *std::max_element(values.begin(), values.end())};
}

void row(const char* name, const Summary& floor, const Summary& panel, const char* unit, int decimals) {
    // An idle floor spends next to no CPU; a ratio against that would say nothing.
    char ratio[32] = "      -  ";
    if (floor.median >= 0.01) std::snprintf(ratio, sizeof ratio, "%8.2fx", panel.median / floor.median);
    std::printf("%-34s %10.*f %10.*f %s   (floor %.*f-%.*f, panel %.*f-%.*f %s)\n", name, decimals,
                floor.median, decimals, panel.median, ratio, decimals, floor.low, decimals, floor.high,
                decimals, panel.low, decimals, panel.high, unit);
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::string> programs;
    int runs = 5;
    double cpuSeconds = 60;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--cpu-seconds" && i + 1 < argc) {
            cpuSeconds = std::atof(argv[++i]);
        } else {
            programs.push_back(argument);
        }
    }
    if (programs.size() != 2) {
        std::fprintf(stderr, "usage: %s FLOOR PANEL [--runs N] [--cpu-seconds S]\n", argv[0]);
        return 2;
    }

    std::vector<double> startup[2], rss[2];
    runOnce(programs[0], 0);  // warms the page cache and font caches for both
    runOnce(programs[1], 0);
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int which = (i + k) % 2;  // floor first on even runs, panel first on odd ones
            const Run run = runOnce(programs[static_cast<std::size_t>(which)], 0.2);
            startup[which].push_back(run.reported.at("startup_ms"));
            rss[which].push_back(run.maxRssKb / 1024);
        }
    }
    std::vector<double> cpu[2];
    for (int which = 0; which < 2 && cpuSeconds > 0; ++which) {
        const Run run = runOnce(programs[static_cast<std::size_t>(which)], cpuSeconds);
        cpu[which].push_back(100 * run.reported.at("run_cpu_ms") / (run.reported.at("run_s") * 1e3));
    }

    std::printf("%-34s %10s %10s %9s\n", "footprint (median of runs)", "floor", "panel", "ratio");
    char name[64];
    std::snprintf(name, sizeof name, "start-up to first shown, ms (%d)", runs);
    row(name, summarise(startup[0]), summarise(startup[1]), "ms", 1);
    std::snprintf(name, sizeof name, "peak resident memory, MiB (%d)", runs);
    row(name, summarise(rss[0]), summarise(rss[1]), "MiB", 1);
    if (cpuSeconds <= 0) return 0;
    std::snprintf(name, sizeof name, "CPU over %.0f s, %% of a core", cpuSeconds);
    row(name, summarise(cpu[0]), summarise(cpu[1]), "%", 3);
    return 0;
}
