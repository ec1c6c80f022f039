// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "front_panel/catalogue.h"
#include "front_panel/readouts.h"
#include "machine/panel_switches.h"

// The front panel as data: every fixed control's name, role, kind, text, place and
// size, the connector lines, the menus and the focus order. The desktop window and
// the web page both build themselves from this table, so the two panels cannot drift
// apart. A control's name is the one the original panel gave it; what it is, is its
// role, and the front ends bind by role.
namespace qzb::layout {

inline constexpr int clientWidth = 400;
inline constexpr int clientHeight = 445;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

using catalogue::Rgb;

enum class Kind { Label, CheckBox, OptionButton, PushButton, GroupFrame };
enum class Align { Left, Centre };

using qzb::Readout;

// What a control is.
struct Role {
    enum Is {
        ProgramSwitch,  // `address`, `bit`
        InputSwitch,    // `bit`
        Beep,
        ClockOption,  // `option`
        ClockButton,
        ResetButton,
        Readout,       // `readout`
        AddressLabel,  // `address`
        Caption,       // any fixed text: a heading, a register's name, a bit number
        Frame,
        Connector,  // Line1 and Line2
    };
    Is is = Caption;
    int address = 0;
    int bit = 0;
    qzb::ClockOption option = qzb::ClockOption::None;
    layout::Readout readout = layout::Readout::A;

    friend bool operator==(const Role&, const Role&) = default;
};

// The switch a switch's role names; nothing for any other role.
std::optional<SwitchRef> switchOf(const Role& role);

struct Control {
    std::string name;  // "chkRom(5)", "lblRegA", "Frame1"
    Role role;
    Kind kind = Kind::Label;
    std::string text;    // the caption, or a readout's text before the first refresh
    Rect rect;           // in the parent's coordinates
    std::string parent;  // empty for the client area, else the group frame's name
    Align align = Align::Left;
    std::string accessibleName;  // for a switch without a caption: its place on the panel
    std::string labels;          // for a caption: the readout it names
    std::string fontFace;        // empty: the panel's font
    int fontPoints = 0;
    bool coloured = false;  // text in `colour` rather than the window's text colour
    Rgb colour;
    bool opaque = false;  // paints its background, so the connector passes under it
    // From the left, the part of the rectangle that takes a press: neighbouring switches share
    // a pixel column, where the right one draws its box, so the left one gives that column up.
    int pressWidth = 0;
};

struct Line {
    std::string name;
    Role role{Role::Connector};
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

struct Menu {
    std::string name;                // also the caption
    std::vector<std::string> items;  // none: a command on the menu bar itself
};

// The switch banks and the address labels, by address and bit.
Rect programSwitch(int address, int bit);
Rect inputSwitch(int bit);
Rect addressLabel(int address);
std::string programSwitchName(int address, int bit);  // "Address 05 bit 3"
std::string inputSwitchName(int bit);                 // "INP bit 0"

// Every control in the order it is built: a later control lies above an earlier
// one, and screen readers meet them in this order.
std::vector<Control> controls();
// Line1 and Line2, drawn on the background beneath the controls.
std::vector<Line> connector();
std::vector<Menu> menus();
// The controls that take the keyboard focus, in Tab order. The three clock
// options are one stop (see PanelSession::tabStopOption).
std::vector<std::string> tabOrder();

}  // namespace qzb::layout
