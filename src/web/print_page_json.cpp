// SPDX-License-Identifier: MIT
// Prints the page's JSON (layout, texts, styles), for the build to fill the page's static
// files with the catalogue's texts.
#include <cstdio>

#include "front_panel/page_json.h"

int main() {
    // With its newline: the runtime writes a line only once it ends.
    return std::puts(qzb::pageJson().c_str()) >= 0 ? 0 : 1;
}
