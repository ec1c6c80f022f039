// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "front_panel/catalogue.h"
#include "front_panel/datapath.h"

namespace qzb {

// The web page's whole description of the panel as one JSON object: the layout
// table with each control's and line's role, the menus and the Tab order, the
// catalogue's texts (the page's own among them) and styles, and where each field of
// a PanelView lies.
//
//   {"title", "client": [w, h], "controls": [...], "lines": [...], "menus": [...],
//    "tabOrder": [...], "texts": {...}, "styles": {...}, "view": {"size", "fields", "changes"}}
//
// A role is {"is": NAME, ...}: programSwitch with address and bit, inputSwitch with
// bit, beep, clockOption with option (a ClockOption), clockButton, resetButton,
// readout with readout (A, B, PC, carry, OUT), addressLabel with address, caption,
// frame, connector. A switch's role also has its place in the view's "switches",
// and a switch's or readout's the bit of the view's changes that marks it.
std::string pageJson();

// What the History pane asks the core for: the run table's header, its rows from a
// step on, and what the last step did in words; as JSON.
struct HistoryRows {
    std::string header;
    std::vector<std::string> rows;
    std::string lastStep;
};
std::string historyJson(const HistoryRows& history);

// What the Datapath pane asks the core for, as JSON.
std::string datapathJson(const Datapath& picture);

// What the Timing pane asks the core for: the diagram's title, its width and height, the width
// of its lanes' names and of a column, the SVG of the names, and the SVG of the columns it lacks.
struct TimingColumns {
    std::string title;
    int width = 0;
    int height = 0;
    int labels = 0;
    int column = 0;
    std::string lanes;
    std::string columns;
};
std::string timingColumnsJson(const TimingColumns& timing);
// A text of the page by the key the page knows it by.
struct NamedText {
    std::string_view key;
    catalogue::Bilingual text;
};

// Every text of the page in both languages, named by where the page finds it ("page.copyLink",
// "examples.count.title"): what the check that none lacks a language goes through.
std::vector<std::pair<std::string, catalogue::Bilingual>> bilingualTexts();

// An example program as the page's build reads it from examples/: its name, its setting file's
// bytes (equal to what its source assembles to) and its test file's, if it has one.
struct ExampleFiles {
    std::string name;
    std::string setting;
    std::optional<std::string> tests;
};
std::string examplesJson(const std::vector<ExampleFiles>& examples);

// The TypeScript declarations of what pageJson() and historyJson() write, from the same
// tables: the page's build generates them, so that a misspelt key fails to compile.
std::string pageTypes();

}  // namespace qzb
