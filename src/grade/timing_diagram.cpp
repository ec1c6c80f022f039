// SPDX-License-Identifier: MIT
#include "grade/timing_diagram.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "common/digits.h"
#include "common/xml.h"
#include "settings/setting_link.h"

namespace qzb {
namespace {

// Every coordinate is a whole pixel, so that the same rows give the same bytes on any machine.
constexpr int labelWidth = timingLabelWidth;
constexpr int stepBaseline = 13;
constexpr int busTop = 22;     // PC, then A and B below it
constexpr int busPitch = 24;   // from one bus lane's top to the next
constexpr int busHalf = 9;     // half a bus lane's height
constexpr int waveTop = 96;    // the carry, then OUT bits 3 to 0
constexpr int wavePitch = 20;  // from one waveform's top to the next
constexpr int waveHigh = 2;    // a 1's level below the lane's top
constexpr int waveLow = 14;    // and a 0's
constexpr int height = waveTop + 5 * wavePitch;
static_assert(height == timingHeight);

constexpr std::string_view busStyle = R"( fill="#f4f4f4" stroke="#444")";
constexpr std::string_view waveStyle = R"( fill="none" stroke="#006d2c")";

// A column is wide enough for its step number: as the history's table widens its step
// column, from five digits on.
int columnWidth(std::uint64_t lastStep) {
    const auto digits = static_cast<int>(std::to_string(lastStep).size());
    return 12 + 6 * std::max(4, digits);
}

void put(std::string& svg, long long number) {
    svg += std::to_string(number);
}

// The levels of the carry and OUT bits 3-0 in a state, top lane first.
std::array<bool, 5> waveBits(const MachineState& state) {
    return {state.carry, (state.out & 8) != 0, (state.out & 4) != 0, (state.out & 2) != 0,
            (state.out & 1) != 0};
}

int waveLevel(int lane, bool high) {
    return waveTop + lane * wavePitch + (high ? waveHigh : waveLow);
}

void putColumn(std::string& svg, const TraceRow& row, const TraceRow* previous, int x, int width) {
    const int middle = x + width / 2;
    svg += R"(<g data-step=")";
    put(svg, static_cast<long long>(row.step));
    svg += R"("><text class="qzb-timing-step" fill="#666" x=")";
    put(svg, middle);
    svg += R"(" y=")";
    put(svg, stepBaseline);
    svg += R"(">)";
    put(svg, static_cast<long long>(row.step));
    svg += R"(</text><path class="qzb-timing-bus")";
    svg += busStyle;
    svg += R"( d=")";
    const std::array<std::uint8_t, 3> buses = {row.state.pc, row.state.a, row.state.b};
    for (int lane = 0; lane < 3; ++lane) {
        // A cell of its own each step: its slanted ends meet the next step's.
        svg += 'M';
        put(svg, x + 1);
        svg += ',';
        put(svg, busTop + lane * busPitch + busHalf);
        svg += "l3,-9h";
        put(svg, width - 8);
        svg += "l3,9l-3,9h-";
        put(svg, width - 8);
        svg += 'z';
    }
    svg += R"("/>)";
    for (int lane = 0; lane < 3; ++lane) {
        svg += R"(<text x=")";
        put(svg, middle);
        svg += R"(" y=")";
        put(svg, busTop + lane * busPitch + busHalf + 4);
        svg += R"(">)";
        svg += binaryDigits(buses[static_cast<std::size_t>(lane)]);
        svg += "</text>";
    }
    const std::array<bool, 5> bits = waveBits(row.state);
    svg += R"(<path class="qzb-timing-wave")";
    svg += waveStyle;
    svg += R"( d=")";
    for (int lane = 0; lane < 5; ++lane) {
        svg += 'M';
        put(svg, x);
        svg += ',';
        put(svg, waveLevel(lane, bits[static_cast<std::size_t>(lane)]));
        svg += 'h';
        put(svg, width);
    }
    svg += R"("/>)";
    if (previous != nullptr) {
        const std::array<bool, 5> before = waveBits(previous->state);
        std::string edges;
        for (int lane = 0; lane < 5; ++lane) {
            const auto at = static_cast<std::size_t>(lane);
            if (before[at] == bits[at]) continue;
            edges += 'M' + std::to_string(x) + ',' + std::to_string(waveLevel(lane, before[at])) + 'V' +
                     std::to_string(waveLevel(lane, bits[at]));
        }
        if (!edges.empty()) {
            svg += R"(<path class="qzb-timing-edge")";
            svg += waveStyle;
            svg += R"( d=")" + edges + R"("/>)";
        }
    }
    svg += "</g>\n";
}

}  // namespace

std::string timingLanes() {
    constexpr std::array<std::string_view, 8> lanes = {"PC",    "A",     "B",     "carry",
                                                       "OUT 3", "OUT 2", "OUT 1", "OUT 0"};
    std::string svg;
    for (int lane = 0; lane < 8; ++lane) {
        const int baseline = lane < 3 ? busTop + lane * busPitch + busHalf + 4
                                      : waveTop + (lane - 3) * wavePitch + waveLow - 1;
        svg += R"(<text x="4" y=")" + std::to_string(baseline) + R"(">)" +
               std::string(lanes[static_cast<std::size_t>(lane)]) + "</text>";
    }
    return svg;
}

std::string timingTitle(std::span<const TraceRow> rows, std::string_view link, std::string_view input) {
    const std::string first = std::to_string(rows.front().step);
    const std::string last = std::to_string(rows.back().step);
    return "QZB timing diagram of " + std::string(link) + ", input " + std::string(input) +
           (rows.size() == 1 ? ", step " + first : ", steps " + first + " to " + last);
}

int timingColumnWidth(std::span<const TraceRow> rows) {
    return columnWidth(rows.back().step);
}

int timingWidth(std::span<const TraceRow> rows) {
    return labelWidth + static_cast<int>(rows.size()) * columnWidth(rows.back().step) + 4;
}

std::string timingColumns(std::span<const TraceRow> rows, std::size_t from, std::uint64_t origin) {
    std::string svg;
    if (rows.empty()) return svg;
    svg.reserve((rows.size() - std::min(from, rows.size())) * 640);
    const int width = columnWidth(rows.back().step);
    for (std::size_t at = from; at < rows.size(); ++at) {
        const auto column = static_cast<long long>(rows[at].step - origin);
        putColumn(svg, rows[at], at == 0 ? nullptr : &rows[at - 1],
                  labelWidth + static_cast<int>(column * width), width);
    }
    return svg;
}

std::string timingDiagram(std::span<const TraceRow> rows, std::string_view link, std::string_view input) {
    const std::string width = std::to_string(timingWidth(rows));
    const std::string tall = std::to_string(height);
    std::string svg = R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" class="qzb-timing" width=")" +
                      width + R"(" height=")" + tall + R"(" viewBox="0 0 )" + width + ' ' + tall +
                      R"(" font-family="DejaVu Sans Mono, monospace" font-size="10" text-anchor="middle">
<title>)" + xmlEscaped(timingTitle(rows, link, input)) +
                      R"(</title>
<rect class="qzb-timing-back" width="100%" height="100%" fill="#fff"/>
<g class="qzb-timing-lanes" text-anchor="start">)";
    svg += timingLanes();
    svg += "</g>\n<g class=\"qzb-timing-columns\">\n";
    svg += timingColumns(rows, 0, rows.front().step);
    svg += "</g>\n</svg>\n";
    return svg;
}

bool writeTimingDiagram(const PanelSwitches& switches, std::uint64_t steps, std::FILE* out) {
    // The rows in a ring, the newest at `next - 1`.
    std::vector<TraceRow> rows(static_cast<std::size_t>(std::min(steps, timingKeptSteps) + 1));
    Machine machine = startedMachine(switches);
    rows[0] = {.state = machine.state()};
    std::size_t next = 1 % rows.size();
    for (std::uint64_t step = 1; step <= steps; ++step) {
        const StepRecord record = machine.step();
        rows[next] = {step, record.address(), record.word, machine.state()};
        next = (next + 1) % rows.size();
    }
    std::rotate(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(next), rows.end());
    const std::string svg = timingDiagram(rows, settingLink(switches), binaryDigits(readInputPort(switches)));
    return std::fwrite(svg.data(), 1, svg.size(), out) == svg.size() && std::fflush(out) == 0;
}

}  // namespace qzb
