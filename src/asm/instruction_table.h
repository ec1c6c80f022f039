// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text.h"

// The sixteen instruction forms as the assembly language names them. The
// machine itself decodes words from its gate equations; this table is how the
// assembler and the disassembler agree on what each upper nibble means.
namespace qzb {

// What the adder adds to the instruction's number.
enum class Source : std::uint8_t { A, B, In, None };
// Which register takes the sum; Pc is a jump.
enum class Destination : std::uint8_t { A, B, Out, Pc };
enum class Jump : std::uint8_t { None, Always, IfNoCarry };

struct InstructionForm {
    Source source;
    Destination destination;
    Jump jump;
    // The word a statement starts with: the register it writes, or the jump.
    std::string_view mnemonic;
    // A twin of another form that the machine runs exactly alike; written with ALT first.
    bool alternative;
};

inline constexpr std::string_view alternativePrefix = "ALT";

// Indexed by bits 7-4 of the word. A form that writes a register is written as an
// assignment (`A = B + n`), a jump as its mnemonic and operand (`JNC B + n`).
inline constexpr std::array<InstructionForm, 16> instructionForms = {{
    {Source::A, Destination::A, Jump::None, "A", false},
    {Source::B, Destination::A, Jump::None, "A", false},
    {Source::In, Destination::A, Jump::None, "A", false},
    {Source::None, Destination::A, Jump::None, "A", false},
    {Source::A, Destination::B, Jump::None, "B", false},
    {Source::B, Destination::B, Jump::None, "B", false},
    {Source::In, Destination::B, Jump::None, "B", false},
    {Source::None, Destination::B, Jump::None, "B", false},
    {Source::B, Destination::Out, Jump::None, "OUT", false},
    {Source::B, Destination::Out, Jump::None, "OUT", true},
    {Source::None, Destination::Out, Jump::None, "OUT", false},
    {Source::None, Destination::Out, Jump::None, "OUT", true},
    {Source::B, Destination::Pc, Jump::IfNoCarry, "JNC", false},
    {Source::B, Destination::Pc, Jump::Always, "JMP", false},
    {Source::None, Destination::Pc, Jump::IfNoCarry, "JNC", false},
    {Source::None, Destination::Pc, Jump::Always, "JMP", false},
}};

// The name a statement gives the register it adds; empty for None.
constexpr std::string_view sourceName(Source source) {
    constexpr std::array<std::string_view, 4> names = {"A", "B", "IN", ""};
    return names[static_cast<std::size_t>(source)];
}

// The register a name stands for, in any letter case.
constexpr std::optional<Source> sourceNamed(std::string_view name) {
    for (const Source source : {Source::A, Source::B, Source::In}) {
        if (equalIgnoringCase(name, sourceName(source))) return source;
    }
    return std::nullopt;
}

// The upper nibble of the form that `mnemonic` (any letter case), with or without
// ALT, spells when it adds `source`; with no source given, of the first form so
// spelled. Nothing when no form is spelled that way.
constexpr std::optional<std::uint8_t> findForm(std::string_view mnemonic, bool alternative,
                                               std::optional<Source> source = std::nullopt) {
    for (std::size_t code = 0; code < instructionForms.size(); ++code) {
        const InstructionForm& form = instructionForms[code];
        if (form.alternative == alternative && equalIgnoringCase(form.mnemonic, mnemonic) &&
            (!source || form.source == *source)) {
            return static_cast<std::uint8_t>(code);
        }
    }
    return std::nullopt;
}

}  // namespace qzb
