// SPDX-License-Identifier: MIT
#include "front_panel/datapath.h"

#include <array>
#include <optional>

#include "asm/disassembler.h"
#include "asm/instruction_table.h"
#include "asm/step_words.h"
#include "common/digits.h"
#include "front_panel/catalogue.h"

namespace qzb {
namespace {

namespace page = catalogue::page;

constexpr std::array<std::string_view, 4> destinationNames = {"A", "B", "OUT", "PC"};

std::string filled(std::string_view sentence, std::initializer_list<std::string_view> values) {
    std::string text(sentence);
    for (const std::string_view value : values) text = catalogue::withReason(text, value);
    return text;
}

// "B: written at step 7 by B = B + 1": the newest kept step that `wrote`, else since when none has.
template <typename Wrote>
std::string writtenTitle(std::string_view name, const std::vector<HistoryRow>& rows, Wrote wrote) {
    for (auto row = rows.rbegin(); row != rows.rend() && row->executedAt >= 0; ++row) {
        if (wrote(instructionForms[row->word >> 4]))
            return filled(page::writtenAt, {name, std::to_string(row->step), disassembleWord(row->word)});
    }
    if (rows.front().executedAt < 0 && rows.front().step == 0)
        return filled(page::notWrittenSinceReset, {name});
    return filled(page::notWrittenSince, {name, std::to_string(rows.front().step)});
}

}  // namespace

Datapath datapath(const PanelSession& session) {
    const MachineState& state = session.state();
    const std::optional<StepRecord> step = session.lastStep();
    const std::uint8_t word = step ? step->word : readProgramWord(session.switches(), state.pc);
    const InstructionForm& form = instructionForms[word >> 4];
    const int im = word & 15;

    Datapath picture{.name = step ? stepInWords(*step) : std::string(),
                     .address = addressDigits(step ? step->address() : state.pc),
                     .operation = binaryDigits(word >> 4),
                     .statement = disassembleWord(word),
                     .jump = step ? jumpInWords(*step) : std::string(),
                     .parts = {},
                     .wires = {}};

    int source = 0;
    if (step && form.source != Source::None)
        source = form.source == Source::A   ? step->before.a
                 : form.source == Source::B ? step->before.b
                                            : step->input;
    const int sum = source + im;
    // A JNC after a carry computes its sum and writes it nowhere.
    const bool written = step && !(form.jump == Jump::IfNoCarry && step->before.carry);
    const std::string_view from = form.source == Source::None ? "0" : sourceName(form.source);
    const std::string_view to = destinationNames[static_cast<std::size_t>(form.destination)];

    const std::vector<HistoryRow> rows = session.history();
    const auto writes = [](Destination destination) {
        return [destination](const InstructionForm& each) { return each.destination == destination; };
    };
    const auto always = [](const InstructionForm&) { return true; };
    const auto active = [&](std::string_view part) {
        return step.has_value() && (from == part || (written && to == part));
    };
    const bool stepped = step.has_value();
    // In the order of datapathParts.
    picture.parts = {
        {"A", binaryDigits(state.a), active("A"), writtenTitle("A", rows, writes(Destination::A))},
        {"B", binaryDigits(state.b), active("B"), writtenTitle("B", rows, writes(Destination::B))},
        {"IN", binaryDigits(readInputPort(session.switches())), active("IN"),
         std::string(page::inputSwitches)},
        {"OUT", binaryDigits(state.out), active("OUT"), writtenTitle("OUT", rows, writes(Destination::Out))},
        {"PC", binaryDigits(state.pc), active("PC"), writtenTitle("PC", rows, always)},
        {"carry", state.carry ? "1" : "0", stepped, writtenTitle("carry", rows, always)},
        {"im", binaryDigits(im), stepped, {}},
        {"adder", stepped ? binaryDigits(sum) : std::string(), stepped, {}},
    };

    const auto wire = [&](std::string_view name, bool used, std::string value) {
        picture.wires.push_back({name, used ? std::move(value) : std::string(), used});
    };
    constexpr std::array<std::string_view, 4> fromWires = {"from-A", "from-B", "from-IN", "from-0"};
    constexpr std::array<std::string_view, 4> sources = {"A", "B", "IN", "0"};
    for (std::size_t i = 0; i < sources.size(); ++i)
        wire(fromWires[i], stepped && sources[i] == from, binaryDigits(source));
    wire("source", stepped, binaryDigits(source));
    wire("im", stepped, binaryDigits(im));
    wire("sum", stepped, binaryDigits(sum));
    wire("carry", stepped, sum > 15 ? "1" : "0");
    constexpr std::array<std::string_view, 4> toWires = {"to-A", "to-B", "to-OUT", "to-PC"};
    for (std::size_t i = 0; i < toWires.size(); ++i)
        wire(toWires[i], written && destinationNames[i] == to, binaryDigits(sum));
    return picture;
}

}  // namespace qzb
