// SPDX-License-Identifier: MIT
// Feeds arbitrary text to the assembler. Whatever it takes must come back bit
// for bit through the disassembler; whatever it refuses must be refused with
// a position inside the text.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "asm/assembler.h"
#include "asm/disassembler.h"
#include "fuzz_check.h"
#include "settings/setting_file.h"

namespace {

// Whether some line of `source` starts with `label` and its colon, after blanks.
// Such a label is defined whatever follows it on the line, unless another line
// defined it first.
bool startsALine(std::string_view source, std::string_view label) {
    for (std::size_t start = 0; start <= source.size();) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        std::string_view line = source.substr(start, end - start);
        line.remove_prefix(std::min(line.find_first_not_of(" \t\r\f\v"), line.size()));
        if (line.starts_with(label)) {
            line.remove_prefix(label.size());
            line.remove_prefix(std::min(line.find_first_not_of(" \t\r\f\v"), line.size()));
            if (line.starts_with(':')) return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const qzb::Assembly assembly = qzb::assemble(source);

    if (!assembly.errors.empty()) {
        const std::size_t lines =
            static_cast<std::size_t>(std::count(source.begin(), source.end(), '\n')) + 1;
        for (const qzb::AssemblyError& error : assembly.errors) {
            check(error.line >= 1 && static_cast<std::size_t>(error.line) <= lines,
                  "error line inside the text");
            check(error.column >= 1 && static_cast<std::size_t>(error.column) <= size + 1,
                  "error column inside the line");
            check(!error.message.empty(), "error message");
            const std::string_view message = error.message;
            if (message.starts_with("label '") && message.ends_with("' is not defined")) {
                const std::string_view label = message.substr(7, message.size() - 7 - 16);
                // A reserved word is refused where it would be defined, so its uses stay undefined.
                const std::string refused =
                    "'" + std::string(label) + "' is a reserved word and cannot be a label";
                const bool reserved = std::ranges::any_of(
                    assembly.errors,
                    [&](const qzb::AssemblyError& other) { return other.message == refused; });
                check(reserved || !startsALine(source, label), "a label at the start of a line is defined");
            }
        }
        return 0;
    }
    check(assembly.wordCount >= 0 && assembly.wordCount <= 16, "at most 16 words");
    for (const qzb::SwitchState state : assembly.switches.program) {
        check(state == qzb::SwitchState::Off || state == qzb::SwitchState::On,
              "assembled switches are 0 or 1");
    }
    const int selected = int{assembly.switches.clock.hz1} + int{assembly.switches.clock.hz10} +
                         int{assembly.switches.clock.manual};
    check(selected <= 1, "at most one clock option");

    const std::string listing = qzb::disassemble(assembly.switches);
    const qzb::Assembly again = qzb::assemble(listing);
    check(again.errors.empty(), "a listing assembles");
    check(qzb::writeSettingFile(again.switches) == qzb::writeSettingFile(assembly.switches),
          "disassembly and assembly give the same setting file");
    return 0;
}
