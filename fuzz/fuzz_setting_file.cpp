// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the setting-file reader and checks what any load
// must leave behind, not merely that it survives.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz_check.h"
#include "settings/setting_file.h"

namespace {

bool valid(qzb::SwitchState state) {
    const auto raw = static_cast<std::uint8_t>(state);
    return raw <= 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the panel the file is loaded over, so refused values
    // and held values meet switches that are off, on and greyed.
    qzb::PanelSwitches switches;
    if (size > 0) {
        const auto start = static_cast<qzb::SwitchState>(data[0] % 3);
        switches.program.fill(start);
        switches.beep = start;
        if (data[0] & 0x10) switches.clock.select10Hz();
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qzb::readSettingFile(text, switches);

    for (qzb::SwitchState state : switches.program) check(valid(state), "program switch state");
    check(valid(switches.beep), "beep switch state");
    const int selected = int{switches.clock.hz1} + int{switches.clock.hz10} + int{switches.clock.manual};
    check(selected <= 1, "at most one clock option");

    const std::string saved = qzb::writeSettingFile(switches);
    std::size_t lines = 0;
    for (std::size_t i = 0; i + 1 < saved.size(); ++i) {
        if (saved[i] == '\r' && saved[i + 1] == '\n') ++lines;
    }
    check(lines == 132 && saved.ends_with("\r\n"), "a saved file is 132 CR LF lines");

    qzb::PanelSwitches reloaded;
    reloaded.clock.select1Hz();  // the file must decide the clock, whatever was there
    reloaded.program.fill(qzb::SwitchState::On);
    reloaded.beep = qzb::SwitchState::Greyed;
    qzb::readSettingFile(saved, reloaded);
    check(reloaded == switches, "save then load gives the same panel");
    return 0;
}
