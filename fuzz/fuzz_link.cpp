// SPDX-License-Identifier: MIT
// Feeds arbitrary fragments to the link reader: a fragment is either a setting that
// the link writer gives back, or refused with a reason, never half taken.
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "settings/setting_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view fragment(reinterpret_cast<const char*>(data), size);
    const qzb::LinkReading read = qzb::readSettingLink(fragment);
    const bool empty = fragment.empty() || fragment == "#";
    check(read.switches.has_value() != !read.fault.empty() || (empty && !read.switches && read.fault.empty()),
          "a setting or a reason, never both");
    if (!read.switches) return 0;
    for (const qzb::SwitchState state : read.switches->input)
        check(state == qzb::SwitchState::Off, "inputs off");
    const std::string written = qzb::settingLink(*read.switches);
    check(qzb::readSettingLink(written).switches == read.switches, "a link read back is the same setting");
    return 0;
}
