// SPDX-License-Identifier: MIT
#include "front_panel/panel_layout.h"

#include <utility>

#include "common/digits.h"

namespace qzb::layout {
namespace {

std::string indexed(const char* bank, int index) {
    return std::string(bank) + '(' + std::to_string(index) + ')';
}

Control control(std::string name, Role role, Kind kind, std::string text, Rect rect,
                std::string parent = {}) {
    Control made;
    made.name = std::move(name);
    made.role = role;
    made.kind = kind;
    made.text = std::move(text);
    made.rect = rect;
    made.pressWidth = rect.width;
    made.parent = std::move(parent);
    return made;
}

Control label(std::string name, std::string text, Rect rect, Align align = Align::Left,
              Role role = {Role::Caption}) {
    Control made = control(std::move(name), role, Kind::Label, std::move(text), rect);
    made.align = align;
    return made;
}

Control readout(std::string name, Readout which, std::string text, Rect rect, Align align = Align::Left) {
    return label(std::move(name), std::move(text), rect, align, {.is = Role::Readout, .readout = which});
}

// A switch without a caption, named by its place on the panel.
Control placedSwitch(std::string name, Role role, Rect rect, std::string accessibleName) {
    Control made = control(std::move(name), role, Kind::CheckBox, {}, rect);
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

}  // namespace

std::optional<SwitchRef> switchOf(const Role& role) {
    switch (role.is) {
        case Role::ProgramSwitch: return SwitchRef{SwitchBank::Program, role.address * 8 + role.bit};
        case Role::InputSwitch: return SwitchRef{SwitchBank::Input, role.bit};
        case Role::Beep: return SwitchRef{SwitchBank::Beep, 0};
        default: return std::nullopt;
    }
}

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
    return "Address " + addressDigits(address) + " bit " + std::to_string(bit);
}

std::string inputSwitchName(int bit) {
    return "INP bit " + std::to_string(bit);
}

std::vector<Control> controls() {
    std::vector<Control> list;
    for (int address = 0; address < 16; ++address) {
        for (int bit = 0; bit < 8; ++bit) {
            list.push_back(placedSwitch(indexed("chkRom", address * 8 + bit),
                                        {.is = Role::ProgramSwitch, .address = address, .bit = bit},
                                        programSwitch(address, bit), programSwitchName(address, bit)));
        }
        // The refresh writes the text; it is black from the start, red on the PC's row.
        Control row = label(indexed("Label2", address), "", addressLabel(address), Align::Left,
                            {.is = Role::AddressLabel, .address = address});
        row.coloured = true;
        row.colour = catalogue::black;
        list.push_back(std::move(row));
    }
    list.push_back(label("Label3", "Program Memory", {192, 16, 169, 17}, Align::Centre));
    list.push_back(label(indexed("Label1", 0), "D7", {192, 40, 33, 17}));
    list.push_back(label(indexed("Label1", 1), "D0", {304, 40, 33, 17}));

    for (int bit = 0; bit < 4; ++bit) {
        list.push_back(placedSwitch(indexed("chkInp", bit), {.is = Role::InputSwitch, .bit = bit},
                                    inputSwitch(bit), inputSwitchName(bit)));
    }
    for (int k = 0; k < 8; ++k) {
        list.push_back(label(indexed("Label9", k), std::to_string(k % 4),
                             {96 + 16 * (3 - k % 4), k >= 4 ? 208 : 280, 17, 17}));
    }

    captioned(list, label("Label4", "RegistorA", {8, 48, 65, 17}),
              readout("lblRegA", Readout::A, "****", {80, 48, 65, 17}));
    captioned(list, label("Label5", "RegistorB", {8, 72, 65, 17}),
              readout("lblRegB", Readout::B, "****", {80, 72, 65, 17}));
    captioned(list, label("Label7", "C Flag", {8, 96, 57, 17}),
              readout("lblF", Readout::Carry, "*", {80, 96, 25, 17}));
    captioned(list, label("Label6", "ProgramCounter", {8, 120, 89, 17}),
              readout("lblPC", Readout::PC, "****", {112, 120, 49, 17}));
    std::string lit;
    for (int lamp = 0; lamp < 4; ++lamp) lit += catalogue::lampOn;
    Control lamps = readout("lblOUTP", Readout::Out, lit, {80, 224, 81, 17}, Align::Centre);
    lamps.fontFace = catalogue::lampFace;
    lamps.fontPoints = catalogue::lampPoints;
    lamps.coloured = true;
    lamps.colour = catalogue::red;
    lamps.opaque = true;
    captioned(list, label(indexed("Label8", 1), "OUTP", {88, 192, 65, 17}, Align::Centre), std::move(lamps));

    Control beep = control("chkBeep", {Role::Beep}, Kind::CheckBox, "Beep", {8, 240, 57, 17});
    beep.opaque = true;
    list.push_back(std::move(beep));
    list.push_back(label(indexed("Label8", 0), "INP", {88, 264, 65, 17}, Align::Centre));

    list.push_back(control("Frame1", {Role::Frame}, Kind::GroupFrame, "Clock Generator", {0, 328, 169, 73}));
    const auto option = [](ClockOption which) { return Role{.is = Role::ClockOption, .option = which}; };
    list.push_back(
        control("optClk1", option(ClockOption::Hz1), Kind::OptionButton, "1Hz", {8, 16, 57, 17}, "Frame1"));
    list.push_back(
        control("optClk2", option(ClockOption::Hz10), Kind::OptionButton, "10Hz", {8, 32, 57, 17}, "Frame1"));
    list.push_back(control("optClk3", option(ClockOption::Manual), Kind::OptionButton, "Manual →",
                           {8, 48, 81, 17}, "Frame1"));
    list.push_back(
        control("cmdClock", {Role::ClockButton}, Kind::PushButton, "Clock", {88, 40, 65, 25}, "Frame1"));
    list.push_back(control("cmdReset", {Role::ResetButton}, Kind::PushButton, "Reset", {0, 408, 169, 25}));

    for (Control& left : list) {
        for (const Control& right : list) {
            const Rect &a = left.rect, &b = right.rect;
            if (left.kind == Kind::CheckBox && right.kind == Kind::CheckBox && left.parent == right.parent &&
                b.y == a.y && b.x > a.x && b.x < a.x + a.width)
                left.pressWidth = b.x - a.x;
        }
    }
    return list;
}

std::vector<Line> connector() {
    return {{.name = "Line1", .x1 = 96, .y1 = 232, .x2 = 96, .y2 = 248},
            {.name = "Line2", .x1 = 96, .y1 = 248, .x2 = 56, .y2 = 248}};
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

}  // namespace qzb::layout
