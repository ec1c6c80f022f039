// SPDX-License-Identifier: MIT
// Prints the page's JSON (layout, texts, styles, view), for the build to fill the page's static
// files with the catalogue's texts; with --types, its TypeScript declarations instead; with
// --examples FOLDER, the example programs the page offers, read from FOLDER, after checking that
// each setting file is what its source assembles to.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"
#include "front_panel/catalogue.h"
#include "front_panel/page_json.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace {

// The catalogue's examples as the folder holds them, or nothing and the reasons on stderr: a
// file that cannot be read, a setting file that is not its source's, an example the catalogue lacks.
bool readExamples(const std::filesystem::path& folder, std::vector<qzb::ExampleFiles>& examples) {
    bool sound = true;
    const auto fail = [&](const std::string& why) {
        std::fprintf(stderr, "qzb_print_page_json: %s\n", why.c_str());
        sound = false;
    };
    for (const qzb::catalogue::welcome::Example& listed : qzb::catalogue::welcome::exampleList) {
        const std::string name(listed.name);
        std::string source, tests;
        qzb::ExampleFiles& files = examples.emplace_back(qzb::ExampleFiles{.name = name});
        if (qzb::readFileText((folder / (name + ".s")).string(), source) ||
            qzb::readFileText((folder / (name + ".qzb")).string(), files.setting)) {
            fail("cannot read the example " + name + "'s source and setting file in " + folder.string());
            continue;
        }
        const qzb::Assembly assembly = qzb::assemble(source);
        if (!assembly.errors.empty() || qzb::writeSettingFile(assembly.switches) != files.setting)
            fail(name + ".qzb is not what " + name + ".s assembles to: run qzb-cli asm examples/" + name +
                 ".s");
        if (!qzb::readFileText((folder / (name + ".qzt")).string(), tests)) files.tests = std::move(tests);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::filesystem::path& path = entry.path();
        bool listed = false;
        for (const qzb::ExampleFiles& files : examples) listed = listed || path.stem() == files.name;
        if (path.extension() == ".qzb" && !listed)
            fail(path.filename().string() + " is not among the catalogue's examples (welcome::exampleList)");
    }
    return sound;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string_view option = argc > 1 ? argv[1] : "";
    std::string text;
    if (option == "--examples" && argc > 2) {
        std::vector<qzb::ExampleFiles> examples;
        if (!readExamples(argv[2], examples)) return 1;
        text = qzb::examplesJson(examples);
    } else {
        text = option == "--types" ? qzb::pageTypes() : qzb::pageJson();
    }
    // With its newline: the runtime writes a line only once it ends.
    return std::puts(text.c_str()) >= 0 ? 0 : 1;
}
