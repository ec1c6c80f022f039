// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace qzb {

// The web page's whole description of the panel as one JSON object: the layout
// table with each control's and line's role, the menus and the Tab order, and the
// catalogue's texts and styles.
//
//   {"title", "client": [w, h], "controls": [...], "lines": [...], "menus": [...],
//    "tabOrder": [...], "texts": {...}, "styles": {...}}
//
// A role is {"is": NAME, ...}: programSwitch with address and bit, inputSwitch with
// bit, beep, clockOption with option (0 1 Hz, 1 10 Hz, 2 Manual), clockButton,
// resetButton, readout with readout (A, B, PC, carry, OUT), addressLabel with
// address, caption, frame, connector.
std::string pageJson();

}  // namespace qzb
