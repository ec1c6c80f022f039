// SPDX-License-Identifier: MIT
// Feeds arbitrary fragments to both link readers: a fragment is either what the
// link writer gives back, or refused with a reason, never half taken.
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "settings/setting_link.h"
#include "settings/setting_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view fragment(reinterpret_cast<const char*>(data), size);
    const bool empty = fragment.empty() || fragment == "#";

    const qzb::LinkReading read = qzb::readSettingLink(fragment);
    check(read.switches.has_value() != !read.fault.empty() || (empty && !read.switches && read.fault.empty()),
          "a setting or a reason, never both");
    if (read.switches) {
        for (const qzb::SwitchState state : read.switches->input)
            check(state == qzb::SwitchState::Off, "inputs off");
        const std::string written = qzb::settingLink(*read.switches);
        check(qzb::readSettingLink(written).switches == read.switches,
              "a link read back is the same setting");
    }

    const qzb::ExerciseLinkReading exercise = qzb::readExerciseLink(fragment);
    check(exercise.testFile.has_value() != !exercise.fault.empty() ||
              (empty && exercise == qzb::ExerciseLinkReading{}),
          "an exercise or a reason, never both");
    check(!exercise.start || exercise.testFile, "no starting panel without a test file");
    check(exercise.fault.empty() || qzb::isExerciseLink(fragment) ||
              exercise.fault == "it does not start with \"qzt1.\"",
          "a fragment not meant as an exercise is refused as such");
    if (exercise.testFile) {
        check(exercise.testFile->size() < qzb::fileReadLimit, "a test file under the read limit");
        const std::string written = qzb::exerciseLink(*exercise.testFile, exercise.start);
        check(qzb::readExerciseLink(written) == exercise, "an exercise link read back is the same exercise");
        // Only the panel's hex digits and clock may be spelled another way.
        if (!exercise.start)
            check(written.substr(1) == fragment.substr(fragment.starts_with('#')), "one spelling");
    }
    return 0;
}
