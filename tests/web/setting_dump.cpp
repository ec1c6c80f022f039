// SPDX-License-Identifier: MIT
// The desktop's reading and writing of setting files, for the browser tests to
// compare the page with. Loads each named file in turn into one panel, as
// File > Load would, and prints one line per file: the 128 program switches
// (0, 1, 2), the clock options as three 0/1 digits (1 Hz, 10 Hz, Manual), the
// Beep switch, and the bytes SaveAs would then write, in hex. A name the file
// dialog refuses prints "refused" and leaves the panel as it was.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include "machine/panel_switches.h"
#include "settings/file_dialog.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace {

class NoPicker : public qzb::FilePicker {
public:
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override { return std::nullopt; }
    bool confirmOverwrite(const qzb::FileDialog&, const std::string&) override { return false; }
};

std::string describe(const qzb::PanelSwitches& switches) {
    std::string line;
    for (qzb::SwitchState state : switches.program) line += static_cast<char>('0' + static_cast<int>(state));
    line += ' ';
    for (bool option : {switches.clock.hz1, switches.clock.hz10, switches.clock.manual})
        line += option ? '1' : '0';
    line += ' ';
    line += static_cast<char>('0' + static_cast<int>(switches.beep));
    line += ' ';
    for (unsigned char byte : qzb::writeSettingFile(switches)) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        line += hex;
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    qzb::PanelSwitches switches;
    NoPicker picker;
    for (int i = 1; i < argc; ++i) {
        qzb::FileDialog dialog(picker);
        dialog.defaultExt = "qzb";
        dialog.takeName(argv[i]);
        if ((dialog.flags & qzb::FileDialog::extensionDifferent) != 0) {
            std::cout << "refused\n";
            continue;
        }
        std::string text;
        if (const std::error_code error = qzb::readFileText(argv[i], text)) {
            std::cerr << argv[i] << ": " << error.message() << '\n';
            return 1;
        }
        qzb::readSettingFile(text, switches);
        std::cout << describe(switches) << '\n';
    }
    return 0;
}
