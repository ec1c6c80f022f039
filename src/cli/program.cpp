// SPDX-License-Identifier: MIT
#include "cli/program.h"

#include "cli/assembler.h"
#include "common/text.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace qzb {

bool isSettingFileName(std::string_view path) {
    constexpr std::string_view extension = ".qzb";
    return path.size() > extension.size() &&
           equalIgnoringCase(path.substr(path.size() - extension.size()), extension) &&
           path[path.size() - extension.size() - 1] != '/';
}

Program readProgram(const std::string& path) {
    Program program;
    const std::optional<std::string> text = readSettingText(path);
    if (!text) {
        program.problem = "cannot read " + path + " (missing, unreadable or not a regular file)";
        return program;
    }
    if (isSettingFileName(path)) {
        PanelSwitches switches;  // as the panel starts: all off, Manual
        readSettingFile(*text, switches);
        program.switches = switches;
        return program;
    }
    // The reader stops at its limit; a source that reaches it may have been cut short.
    if (text->size() >= settingFileReadLimit) {
        program.problem = path + " is too large for a QZB source (64 KiB or more)";
        return program;
    }
    Assembly assembly = assemble(*text);
    if (!assembly.errors.empty()) {
        program.problem = path + " does not assemble";
        program.messages = locatedMessages(path, assembly.errors);
        return program;
    }
    program.switches = assembly.switches;
    return program;
}

}  // namespace qzb
