// SPDX-License-Identifier: MIT
#include "grade/program.h"

#include "asm/assembler.h"
#include "common/text.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace qzb {

static_assert(sourceSizeLimit == fileReadLimit, "a source is refused where the reader stops");

Program programFromBytes(std::string_view name, std::string_view bytes) {
    Program program;
    if (hasSettingExtension(name)) {
        bytes = bytes.substr(0, fileReadLimit);
        PanelSwitches switches;  // as the panel starts: all off, Manual
        readSettingFile(bytes, switches);
        program.switches = switches;
        if (const std::optional<std::string> fault = settingFileFault(bytes))
            program.fault = std::string(name) + " is not a setting file as the panel writes it: " + *fault;
        return program;
    }
    if (std::optional<std::string> problem = sourceSizeProblem(name, bytes.size())) {
        program.problem = std::move(*problem);
        return program;
    }
    Assembly assembly = assemble(bytes);
    if (!assembly.errors.empty()) {
        program.problem = std::string(name) + " does not assemble";
        program.messages = locatedMessages(name, assembly.errors);
        return program;
    }
    program.switches = assembly.switches;
    return program;
}

Program readProgram(const std::string& path, std::string_view shownName) {
    const std::string_view name = shownName.empty() ? std::string_view(path) : shownName;
    std::string text;
    if (const std::error_code error = readFileText(path, text)) {
        Program unread;
        unread.problem = "cannot read " + std::string(name) + ": " + error.message();
        return unread;
    }
    return programFromBytes(name, text);
}

bool hasTestFileExtension(std::string_view name) {
    const std::optional<std::string_view> extension = fileExtension(name);
    return extension && equalIgnoringCase(*extension, "qzt");
}

bool isProgram(std::string_view name, std::string_view bytes) {
    if (hasSettingExtension(name)) return true;
    const Assembly assembly = assemble(bytes);
    return assembly.errors.empty() && assembly.wordCount > 0;
}

}  // namespace qzb
