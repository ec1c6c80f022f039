// SPDX-License-Identifier: MIT
#include "front_panel/panel_layout.h"

#include <cstdio>
#include <utility>

namespace qzb::layout {
namespace {

std::string indexed(const char* bank, int index) {
    return std::string(bank) + '(' + std::to_string(index) + ')';
}

std::string twoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

Control control(std::string name, Kind kind, std::string text, Rect rect, std::string parent = {}) {
    Control made;
    made.name = std::move(name);
    made.kind = kind;
    made.text = std::move(text);
    made.rect = rect;
    made.parent = std::move(parent);
    return made;
}

Control label(std::string name, std::string text, Rect rect, Align align = Align::Left) {
    Control made = control(std::move(name), Kind::Label, std::move(text), rect);
    made.align = align;
    return made;
}

// A switch without a caption, named by its place on the panel.
Control placedSwitch(std::string name, Rect rect, std::string accessibleName) {
    Control made = control(std::move(name), Kind::CheckBox, {}, rect);
    made.accessibleName = std::move(accessibleName);
    return made;
}

// A caption and the readout it names; the caption comes first, so a screen reader
// meets it before the value.
void captioned(std::vector<Control>& list, Control caption, Control readout) {
    caption.labels = readout.name;
    list.push_back(std::move(caption));
    list.push_back(std::move(readout));
}

void appendJson(std::string& json, const std::string& text) {
    json += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    json += '"';
}

void appendJson(std::string& json, const Rect& rect) {
    char separator = '[';
    for (const int value : {rect.x, rect.y, rect.width, rect.height}) {
        json += std::exchange(separator, ',');
        json += std::to_string(value);
    }
    json += ']';
}

void appendJson(std::string& json, const std::vector<std::string>& names) {
    json += '[';
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) json += ',';
        appendJson(json, names[i]);
    }
    json += ']';
}

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Label: return "label";
        case Kind::CheckBox: return "checkbox";
        case Kind::OptionButton: return "option";
        case Kind::PushButton: return "button";
        case Kind::GroupFrame: return "frame";
    }
    return "label";
}

}  // namespace

Rect programSwitch(int address, int bit) {
    return {192 + 16 * (7 - bit), 56 + 24 * address, 17, 12};
}

Rect inputSwitch(int bit) {
    return {88 + 16 * (3 - bit), 296, 17, 17};
}

Rect addressLabel(int address) {
    return {320, 56 + 24 * address, 73, 17};
}

std::string programSwitchName(int address, int bit) {
    return "Address " + twoDigits(address) + " bit " + std::to_string(bit);
}

std::string inputSwitchName(int bit) {
    return "INP bit " + std::to_string(bit);
}

std::vector<Control> controls() {
    std::vector<Control> list;
    for (int address = 0; address < 16; ++address) {
        for (int bit = 0; bit < 8; ++bit) {
            list.push_back(placedSwitch(indexed("chkRom", address * 8 + bit), programSwitch(address, bit),
                                        programSwitchName(address, bit)));
        }
        // The refresh writes the text; it is black from the start, red on the PC's row.
        Control row = label(indexed("Label2", address), "", addressLabel(address));
        row.coloured = true;
        row.colour = black;
        list.push_back(std::move(row));
    }
    list.push_back(label("Label3", "Program Memory", {192, 16, 169, 17}, Align::Centre));
    list.push_back(label(indexed("Label1", 0), "D7", {192, 40, 33, 17}));
    list.push_back(label(indexed("Label1", 1), "D0", {304, 40, 33, 17}));

    for (int bit = 0; bit < 4; ++bit)
        list.push_back(placedSwitch(indexed("chkInp", bit), inputSwitch(bit), inputSwitchName(bit)));
    for (int k = 0; k < 8; ++k) {
        list.push_back(label(indexed("Label9", k), std::to_string(k % 4),
                             {96 + 16 * (3 - k % 4), k >= 4 ? 208 : 280, 17, 17}));
    }

    captioned(list, label("Label4", "RegistorA", {8, 48, 65, 17}),
              label("lblRegA", "****", {80, 48, 65, 17}));
    captioned(list, label("Label5", "RegistorB", {8, 72, 65, 17}),
              label("lblRegB", "****", {80, 72, 65, 17}));
    captioned(list, label("Label7", "C Flag", {8, 96, 57, 17}), label("lblF", "*", {80, 96, 25, 17}));
    captioned(list, label("Label6", "ProgramCounter", {8, 120, 89, 17}),
              label("lblPC", "****", {112, 120, 49, 17}));
    Control lamps = label("lblOUTP", "●●●●", {80, 224, 81, 17}, Align::Centre);
    lamps.fontFace = "ＭＳ Ｐゴシック";
    lamps.fontPoints = 12;
    lamps.coloured = true;
    lamps.colour = red;
    lamps.opaque = true;
    captioned(list, label(indexed("Label8", 1), "OUTP", {88, 192, 65, 17}, Align::Centre), std::move(lamps));

    Control beep = control("chkBeep", Kind::CheckBox, "Beep", {8, 240, 57, 17});
    beep.opaque = true;
    list.push_back(std::move(beep));
    list.push_back(label(indexed("Label8", 0), "INP", {88, 264, 65, 17}, Align::Centre));

    list.push_back(control("Frame1", Kind::GroupFrame, "Clock Generator", {0, 328, 169, 73}));
    list.push_back(control("optClk1", Kind::OptionButton, "1Hz", {8, 16, 57, 17}, "Frame1"));
    list.push_back(control("optClk2", Kind::OptionButton, "10Hz", {8, 32, 57, 17}, "Frame1"));
    list.push_back(control("optClk3", Kind::OptionButton, "Manual →", {8, 48, 81, 17}, "Frame1"));
    list.push_back(control("cmdClock", Kind::PushButton, "Clock", {88, 40, 65, 25}, "Frame1"));
    list.push_back(control("cmdReset", Kind::PushButton, "Reset", {0, 408, 169, 25}));
    return list;
}

std::vector<Line> connector() {
    return {{"Line1", 96, 232, 96, 248}, {"Line2", 96, 248, 56, 248}};
}

std::vector<Menu> menus() {
    return {{"File", {"Load", "SaveAs", "End"}}, {"About", {}}};
}

std::vector<std::string> tabOrder() {
    std::vector<std::string> order;
    for (int index = 0; index < 128; ++index) order.push_back(indexed("chkRom", index));
    for (const char* name : {"cmdReset", "optClk1", "optClk2", "optClk3", "cmdClock"})
        order.emplace_back(name);
    for (int bit = 0; bit < 4; ++bit) order.push_back(indexed("chkInp", bit));
    order.emplace_back("chkBeep");
    return order;
}

std::string layoutJson() {
    std::string json = "{\"title\":";
    appendJson(json, windowTitle);
    json += ",\"client\":[" + std::to_string(clientWidth) + "," + std::to_string(clientHeight) + "]";
    json += ",\"controls\":[";
    bool first = true;
    for (const Control& control : controls()) {
        json += first ? "{" : ",{";
        first = false;
        json += "\"name\":";
        appendJson(json, control.name);
        json += ",\"kind\":\"" + std::string(kindName(control.kind)) + "\",\"text\":";
        appendJson(json, control.text);
        json += ",\"rect\":";
        appendJson(json, control.rect);
        json += ",\"parent\":";
        appendJson(json, control.parent);
        json += control.align == Align::Centre ? ",\"align\":\"centre\"" : ",\"align\":\"left\"";
        json += ",\"accessibleName\":";
        appendJson(json, control.accessibleName);
        json += ",\"labels\":";
        appendJson(json, control.labels);
        json += ",\"fontFace\":";
        appendJson(json, control.fontFace);
        json += ",\"fontPoints\":" + std::to_string(control.fontPoints);
        if (control.coloured) {
            json += ",\"colour\":[" + std::to_string(control.colour.red) + "," +
                    std::to_string(control.colour.green) + "," + std::to_string(control.colour.blue) + "]";
        }
        json += control.opaque ? ",\"opaque\":true}" : ",\"opaque\":false}";
    }
    json += "],\"lines\":[";
    first = true;
    for (const Line& line : connector()) {
        json += first ? "{" : ",{";
        first = false;
        json += "\"name\":";
        appendJson(json, line.name);
        json += ",\"from\":[" + std::to_string(line.x1) + "," + std::to_string(line.y1) + "],\"to\":[" +
                std::to_string(line.x2) + "," + std::to_string(line.y2) + "]}";
    }
    json += "],\"menus\":[";
    first = true;
    for (const Menu& menu : menus()) {
        json += first ? "{" : ",{";
        first = false;
        json += "\"name\":";
        appendJson(json, menu.name);
        json += ",\"items\":";
        appendJson(json, menu.items);
        json += '}';
    }
    json += "],\"tabOrder\":";
    appendJson(json, tabOrder());
    json += '}';
    return json;
}

}  // namespace qzb::layout
