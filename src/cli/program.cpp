// SPDX-License-Identifier: MIT
#include "cli/program.h"

#include "asm/assembler.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace qzb {

static_assert(sourceSizeLimit == fileReadLimit, "a source is refused where the reader stops");

Program readProgram(const std::string& path) {
    Program program;
    std::string text;
    if (const std::error_code error = readFileText(path, text)) {
        program.problem = "cannot read " + path + ": " + error.message();
        return program;
    }
    if (hasSettingExtension(path)) {
        PanelSwitches switches;  // as the panel starts: all off, Manual
        readSettingFile(text, switches);
        program.switches = switches;
        if (const std::optional<std::string> fault = settingFileFault(text))
            program.fault = path + " is not a setting file as the panel writes it: " + *fault;
        return program;
    }
    if (std::optional<std::string> problem = sourceSizeProblem(path, text.size())) {
        program.problem = std::move(*problem);
        return program;
    }
    Assembly assembly = assemble(text);
    if (!assembly.errors.empty()) {
        program.problem = path + " does not assemble";
        program.messages = locatedMessages(path, assembly.errors);
        return program;
    }
    program.switches = assembly.switches;
    return program;
}

}  // namespace qzb
