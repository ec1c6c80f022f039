// SPDX-License-Identifier: MIT
// The page's only way into the C++ core: a C ABI over one panel session. Texts
// cross as UTF-8: the page writes into the session's input buffer, and every
// text a call returns stays valid until the next call that returns one.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "asm/assembler.h"
#include "asm/disassembler.h"
#include "common/diagnostic.h"
#include "front_panel/front_panel.h"
#include "front_panel/panel_layout.h"
#include "settings/file_dialog.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

namespace {

using qzb::PanelSwitches;
using qzb::SwitchState;

// The page has no dialog of its own kind: it only needs the dialog object's name rule.
class NoPicker : public qzb::FilePicker {
public:
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override { return std::nullopt; }
    bool confirmOverwrite(const qzb::FileDialog&, const std::string&) override { return false; }
};

}  // namespace

struct QzbSession {
    qzb::FrontPanel panel{[this] { refreshed = true; }};
    bool refreshed = false;
    std::string input;
    std::string output;

    const char* give(std::string text) {
        output = std::move(text);
        return output.c_str();
    }

    // Runs a panel event; true when it refreshed the readouts.
    template <typename Event>
    bool refreshes(Event event) {
        refreshed = false;
        event();
        return refreshed;
    }
};

namespace {

SwitchState* switchAt(QzbSession& session, int bank, int index) {
    PanelSwitches& switches = session.panel.switches();
    if (bank == 0 && index >= 0 && index < PanelSwitches::programBitCount)
        return &switches.program[static_cast<std::size_t>(index)];
    if (bank == 1 && index >= 0 && index < PanelSwitches::inputBitCount)
        return &switches.input[static_cast<std::size_t>(index)];
    if (bank == 2) return &switches.beep;
    return nullptr;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE QzbSession* qzb_create() {
    auto session = std::make_unique<QzbSession>();
    session->panel.reset();
    return session.release();
}

EMSCRIPTEN_KEEPALIVE void qzb_destroy(QzbSession* session) {
    std::unique_ptr<QzbSession> owned(session);
}

// A buffer of `size` bytes for the page to write a text into before a call that reads one.
EMSCRIPTEN_KEEPALIVE char* qzb_input(QzbSession* session, std::size_t size) {
    session->input.assign(size, '\0');
    return session->input.data();
}

// The text the last call returned or left, and its byte length.
EMSCRIPTEN_KEEPALIVE const char* qzb_output(QzbSession* session) {
    return session->output.c_str();
}

EMSCRIPTEN_KEEPALIVE std::size_t qzb_output_length(QzbSession* session) {
    return session->output.size();
}

// bank 0: program bits 0-127, 1: input bits 0-3, 2: Beep. States 0 off, 1 on, 2 greyed.
EMSCRIPTEN_KEEPALIVE int qzb_switch(QzbSession* session, int bank, int index) {
    const SwitchState* state = switchAt(*session, bank, index);
    return state ? static_cast<int>(*state) : -1;
}

EMSCRIPTEN_KEEPALIVE void qzb_set_switch(QzbSession* session, int bank, int index, int state) {
    SwitchState* target = switchAt(*session, bank, index);
    if (target && state >= 0 && state <= 2) *target = static_cast<SwitchState>(state);
}

// Bit 0: 1 Hz, bit 1: 10 Hz, bit 2: Manual; none set after some loads.
EMSCRIPTEN_KEEPALIVE int qzb_clock_options(QzbSession* session) {
    const qzb::ClockMode& clock = session->panel.switches().clock;
    return (clock.hz1 ? 1 : 0) | (clock.hz10 ? 2 : 0) | (clock.manual ? 4 : 0);
}

// 0: 1 Hz, 1: 10 Hz, 2: Manual, anything else: none selected.
EMSCRIPTEN_KEEPALIVE void qzb_select_clock(QzbSession* session, int option) {
    qzb::ClockMode& clock = session->panel.switches().clock;
    switch (option) {
        case 0: clock.select1Hz(); break;
        case 1: clock.select10Hz(); break;
        case 2: clock.selectManual(); break;
        default: clock = {false, false, false}; break;
    }
}

// The 100 ms timer's tick; true when it executed an instruction.
EMSCRIPTEN_KEEPALIVE bool qzb_tick(QzbSession* session) {
    return session->refreshes([session] { session->panel.tick(); });
}

// The Clock button; true when it executed an instruction.
EMSCRIPTEN_KEEPALIVE bool qzb_clock(QzbSession* session) {
    return session->refreshes([session] { session->panel.clock(); });
}

EMSCRIPTEN_KEEPALIVE void qzb_reset(QzbSession* session) {
    session->panel.reset();
}

// Lines: register A, register B, PC, carry, output lamps, the red row (0-15),
// and 1 when a beep is due.
EMSCRIPTEN_KEEPALIVE const char* qzb_readouts(QzbSession* session) {
    const qzb::Readouts shown = session->panel.readouts();
    return session->give(shown.registerA + '\n' + shown.registerB + '\n' + shown.programCounter + '\n' +
                         shown.carry + '\n' + shown.output + '\n' + std::to_string(shown.redRow) + '\n' +
                         (shown.beep ? "1" : "0"));
}

EMSCRIPTEN_KEEPALIVE const char* qzb_address_text(QzbSession* session, int row) {
    return session->give(qzb::addressText(row));
}

// The clock option Tab stops at: 0 1 Hz, 1 10 Hz, 2 Manual.
EMSCRIPTEN_KEEPALIVE int qzb_tab_stop_option(QzbSession* session) {
    return session->panel.tabStopOption();
}

// The shared layout table as JSON.
EMSCRIPTEN_KEEPALIVE const char* qzb_layout(QzbSession* session) {
    return session->give(qzb::layout::layoutJson());
}

// The bytes SaveAs writes for the current switches.
EMSCRIPTEN_KEEPALIVE const char* qzb_save(QzbSession* session) {
    return session->give(qzb::writeSettingFile(session->panel.switches()));
}

// Load: the input buffer's bytes into the switches, then reset, as one piece of work.
EMSCRIPTEN_KEEPALIVE void qzb_load(QzbSession* session) {
    qzb::readSettingFile(session->input, session->panel.switches());
    session->panel.reset();
}

// The name a file dialog would return for the name in the input buffer (".qzb"
// added to a name without an extension); true when its extension is another one.
EMSCRIPTEN_KEEPALIVE bool qzb_check_name(QzbSession* session) {
    NoPicker picker;
    qzb::FileDialog dialog(picker);
    dialog.defaultExt = "qzb";
    dialog.takeName(session->input);
    session->give(dialog.fileName);
    return (dialog.flags & qzb::FileDialog::extensionDifferent) != 0;
}

EMSCRIPTEN_KEEPALIVE const char* qzb_version() {
    return QZB_VERSION;
}

// How much of a file a load reads; anything past it counts as past the end.
EMSCRIPTEN_KEEPALIVE std::size_t qzb_read_limit() {
    return qzb::fileReadLimit;
}

// Assembles the source in the input buffer. On success the switches become the
// source's panel (the input port keeps its switches), the machine is reset and 0 is
// returned; else the output says why, one line a reason: a source of the read limit
// or more (the page passes no more than that), or the errors with their lines.
EMSCRIPTEN_KEEPALIVE int qzb_assemble(QzbSession* session) {
    if (std::optional<std::string> problem = qzb::sourceSizeProblem("The source", session->input.size())) {
        session->give(std::move(*problem));
        return 1;
    }
    const qzb::Assembly assembly = qzb::assemble(session->input);
    if (!assembly.errors.empty()) {
        std::string listing;
        for (const std::string& line : qzb::locatedMessages("", assembly.errors))
            listing += (listing.empty() ? "" : "\n") + line;
        session->give(std::move(listing));
        return 1;
    }
    PanelSwitches& switches = session->panel.switches();
    const auto input = switches.input;
    switches = assembly.switches;
    switches.input = input;
    session->panel.reset();
    return 0;
}

EMSCRIPTEN_KEEPALIVE const char* qzb_disassemble(QzbSession* session) {
    return session->give(qzb::disassemble(session->panel.switches()));
}

}  // extern "C"
