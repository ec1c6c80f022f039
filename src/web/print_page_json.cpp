// SPDX-License-Identifier: MIT
// Prints the page's JSON (layout, texts, styles, view), for the build to fill the page's static
// files with the catalogue's texts; with --types, its TypeScript declarations instead.
#include <cstdio>
#include <string_view>

#include "front_panel/page_json.h"

int main(int argc, char* argv[]) {
    const bool types = argc > 1 && std::string_view(argv[1]) == "--types";
    // With its newline: the runtime writes a line only once it ends.
    return std::puts((types ? qzb::pageTypes() : qzb::pageJson()).c_str()) >= 0 ? 0 : 1;
}
