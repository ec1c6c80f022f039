// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace qzb {

// The web page's whole description of the panel as one JSON object: the layout
// table with each control's and line's role, the menus and the Tab order, the
// catalogue's texts (the page's own among them) and styles, and where each field of
// a PanelView lies.
//
//   {"title", "client": [w, h], "controls": [...], "lines": [...], "menus": [...],
//    "tabOrder": [...], "texts": {...}, "styles": {...}, "view": {...}}
//
// A role is {"is": NAME, ...}: programSwitch with address and bit, inputSwitch with
// bit, beep, clockOption with option (a ClockOption), clockButton, resetButton,
// readout with readout (A, B, PC, carry, OUT), addressLabel with address, caption,
// frame, connector. A switch's role also has the bank and index that name it
// (SwitchRef), which index the view's "switches".
std::string pageJson();

}  // namespace qzb
