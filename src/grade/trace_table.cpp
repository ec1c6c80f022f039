// SPDX-License-Identifier: MIT
#include "grade/trace_table.h"

#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "asm/disassembler.h"
#include "common/digits.h"
#include "machine/machine.h"

namespace qzb {
namespace {

// Collects rows and hands them to the stream in large blocks: a million rows
// must not cost a million library calls.
class RowBuffer {
public:
    explicit RowBuffer(std::FILE* out) : out_(out) {}
    explicit RowBuffer(std::string& text) : text_(&text) {}

    // Makes room for one row of at most `size` bytes.
    void reserve(std::size_t size) {
        if (length_ + size > buffer_.size()) flush();
    }
    void put(std::string_view text) {
        std::memcpy(buffer_.data() + length_, text.data(), text.size());
        length_ += text.size();
    }
    void put(char c) { buffer_[length_++] = c; }
    void putNumber(std::uint64_t value) {
        const auto [end, error] =
            std::to_chars(buffer_.data() + length_, buffer_.data() + buffer_.size(), value);
        length_ = static_cast<std::size_t>(end - buffer_.data());
    }
    // Right-aligned in `width` columns.
    void putNumber(std::uint64_t value, std::size_t width) {
        std::array<char, 24> digits{};
        const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
        const auto count = static_cast<std::size_t>(end - digits.data());
        for (std::size_t pad = count; pad < width; ++pad) put(' ');
        put(std::string_view(digits.data(), count));
    }
    bool flush() {
        if (text_ != nullptr) {
            text_->append(buffer_.data(), length_);
        } else if (length_ != 0 && std::fwrite(buffer_.data(), 1, length_, out_) != length_) {
            failed_ = true;
        }
        length_ = 0;
        return !failed_;
    }
    bool finish() { return flush() && (text_ != nullptr || std::fflush(out_) == 0) && !failed_; }
    bool failed() const { return failed_; }

private:
    std::FILE* out_ = nullptr;
    std::string* text_ = nullptr;
    // On the heap: the page's whole stack is 64 KiB.
    std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);
    std::size_t length_ = 0;
    bool failed_ = false;
};

constexpr std::size_t maxRowSize = 128;

constexpr std::array<std::string_view, 16> decimal = {"0", "1", "2",  "3",  "4",  "5",  "6",  "7",
                                                      "8", "9", "10", "11", "12", "13", "14", "15"};

void putCsv(RowBuffer& rows, std::uint64_t step, const MachineState& state) {
    rows.putNumber(step);
    for (const std::uint8_t value : {state.pc, state.a, state.b, state.out}) {
        rows.put(',');
        rows.put(decimal[static_cast<std::size_t>(value & 15)]);
    }
    rows.put(state.carry ? ",1\n" : ",0\n");
}

void putJson(RowBuffer& rows, std::uint64_t step, const MachineState& state) {
    rows.put("{\"step\":");
    rows.putNumber(step);
    constexpr std::array<std::string_view, 4> keys = {",\"pc\":", ",\"a\":", ",\"b\":", ",\"out\":"};
    const std::array<std::uint8_t, 4> values = {state.pc, state.a, state.b, state.out};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        rows.put(keys[i]);
        rows.put(decimal[static_cast<std::size_t>(values[i] & 15)]);
    }
    rows.put(state.carry ? ",\"carry\":1}\n" : ",\"carry\":0}\n");
}

// The text table: what each step executed, then the registers as the panel shows them.
class TextTable {
public:
    explicit TextTable(std::uint64_t steps)
        : stepWidth_(std::max<std::size_t>(4, std::to_string(steps).size())) {
        for (int value = 0; value < 16; ++value) {
            addresses_[static_cast<std::size_t>(value)] = addressDigits(value);
            digits_[static_cast<std::size_t>(value)] = binaryDigits(value);
            lamps_[static_cast<std::size_t>(value)] = lampGlyphs(value);
        }
    }

    void putHeader(RowBuffer& rows) const {
        rows.reserve(maxRowSize);
        rows.put(std::string(stepWidth_ - 4, ' '));
        rows.put("step  addr  word       instruction       PC    A     B     carry  OUT\n");
    }

    // Row `step`; `executedAt` is the address of the word it ran (none for the reset).
    void putRow(RowBuffer& rows, std::uint64_t step, int executedAt, std::uint8_t word,
                const MachineState& state) const {
        rows.putNumber(step, stepWidth_);
        if (executedAt < 0) {
            rows.put("  reset                              ");
        } else {
            rows.put("  ");
            rows.put(addresses_[static_cast<std::size_t>(executedAt)]);
            rows.put("    ");
            rows.put(executed(word));
        }
        for (const std::uint8_t value : {state.pc, state.a, state.b}) {
            rows.put(digits_[static_cast<std::size_t>(value & 15)]);
            rows.put("  ");
        }
        rows.put(state.carry ? "1      " : "0      ");
        rows.put(lamps_[static_cast<std::size_t>(state.out & 15)]);
        rows.put('\n');
    }

    // "0101 0001  ALT OUT = B + 15" and the two blanks before PC
    static constexpr std::size_t executedWidth = 29;

private:
    // Made when first needed: a few rows of a report use only a few of the 256 words.
    const std::string& executed(std::uint8_t word) const {
        std::string& cell = executed_[word];
        if (cell.empty()) {
            cell = wordDigits(word) + "  " + disassembleWord(word);
            cell.resize(executedWidth, ' ');
        }
        return cell;
    }

    std::size_t stepWidth_;
    mutable std::array<std::string, 256> executed_;
    std::array<std::string, 16> addresses_;
    std::array<std::string, 16> digits_;
    std::array<std::string, 16> lamps_;
};

}  // namespace

std::string textTraceRows(std::span<const TraceRow> rows) {
    const std::uint64_t lastStep = rows.empty() ? 0 : rows.back().step;
    return textTraceHeader(lastStep) + textTraceRowsOnly(rows, lastStep);
}

std::string textTraceHeader(std::uint64_t lastStep) {
    std::string text;
    RowBuffer buffer(text);
    TextTable(lastStep).putHeader(buffer);
    buffer.finish();
    return text;
}

std::string textTraceRowsOnly(std::span<const TraceRow> rows, std::uint64_t lastStep) {
    std::string text;
    RowBuffer buffer(text);
    const TextTable table(lastStep);
    for (const TraceRow& row : rows) {
        buffer.reserve(maxRowSize);
        table.putRow(buffer, row.step, row.executedAt, row.word, row.state);
    }
    buffer.finish();
    return text;
}

Machine startedMachine(const PanelSwitches& switches) {
    Machine machine(switches);
    machine.reset();
    return machine;
}

bool writeTrace(const PanelSwitches& switches, std::uint64_t steps, TraceFormat format, std::FILE* out) {
    RowBuffer rows(out);
    Machine machine = startedMachine(switches);

    if (format == TraceFormat::Text) {
        const TextTable table(steps);
        table.putHeader(rows);
        rows.reserve(maxRowSize);
        table.putRow(rows, 0, -1, 0, machine.state());
        for (std::uint64_t step = 1; step <= steps && !rows.failed(); ++step) {
            const StepRecord record = machine.step();
            rows.reserve(maxRowSize);
            table.putRow(rows, step, record.address(), record.word, machine.state());
        }
        return rows.finish();
    }

    const auto putRow = format == TraceFormat::Csv ? putCsv : putJson;
    if (format == TraceFormat::Csv) rows.put("step,pc,a,b,out,carry\n");
    putRow(rows, 0, machine.state());
    for (std::uint64_t step = 1; step <= steps && !rows.failed(); ++step) {
        machine.step();
        rows.reserve(maxRowSize);
        putRow(rows, step, machine.state());
    }
    return rows.finish();
}

}  // namespace qzb
