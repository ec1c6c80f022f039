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
#include "front_panel/page_json.h"
#include "front_panel/panel_session.h"
#include "settings/file_dialog.h"
#include "settings/setting_file.h"
#include "settings/setting_link.h"
#include "settings/setting_storage.h"

namespace {

using qzb::ClockOption;
using qzb::PanelSwitches;
using qzb::SwitchBank;
using qzb::SwitchState;

// The page has no dialog of its own kind: it only needs the dialog object's name rule.
class NoPicker : public qzb::FilePicker {
public:
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override { return std::nullopt; }
    bool confirmOverwrite(const qzb::FileDialog&, const std::string&) override { return false; }
};

}  // namespace

struct QzbSession {
    qzb::PanelSession panel;
    std::string input;
    std::string output;

    const char* give(std::string text) {
        output = std::move(text);
        return output.c_str();
    }
};

extern "C" {

EMSCRIPTEN_KEEPALIVE QzbSession* qzb_create() {
    return std::make_unique<QzbSession>().release();
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

// bank 0: program bits 0-127, 1: input bits 0-3, 2: Beep. States 0 off, 1 on, 2 greyed; -1 for no such
// switch.
EMSCRIPTEN_KEEPALIVE int qzb_switch(QzbSession* session, int bank, int index) {
    if (bank < 0 || bank > 2) return -1;
    const SwitchState* state = qzb::switchAt(session->panel.switches(), {SwitchBank(bank), index});
    return state ? static_cast<int>(*state) : -1;
}

// A click on a switch, numbered as qzb_switch numbers them: the session decides its next state.
EMSCRIPTEN_KEEPALIVE void qzb_toggle(QzbSession* session, int bank, int index) {
    if (bank >= 0 && bank <= 2) session->panel.toggle({SwitchBank(bank), index});
}

// 0: 1 Hz, 1: 10 Hz, 2: Manual, 3: none selected (after some loads).
EMSCRIPTEN_KEEPALIVE int qzb_clock_option(QzbSession* session) {
    return static_cast<int>(session->panel.clockOption());
}

// Numbered as qzb_clock_option answers; anything else selects none.
EMSCRIPTEN_KEEPALIVE void qzb_select_clock(QzbSession* session, int option) {
    session->panel.selectClock(option >= 0 && option <= 2 ? ClockOption(option) : ClockOption::None);
}

// The 100 ms timer's tick; true when it executed an instruction.
EMSCRIPTEN_KEEPALIVE bool qzb_tick(QzbSession* session) {
    return session->panel.tick().readouts;
}

// The Clock button; true when it executed an instruction.
EMSCRIPTEN_KEEPALIVE bool qzb_clock(QzbSession* session) {
    return session->panel.pressClock().readouts;
}

EMSCRIPTEN_KEEPALIVE void qzb_reset(QzbSession* session) {
    session->panel.pressReset();
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
    return static_cast<int>(session->panel.tabStopOption());
}

// The shared layout table with its roles, and the catalogue of texts and styles, as JSON.
EMSCRIPTEN_KEEPALIVE const char* qzb_layout(QzbSession* session) {
    return session->give(qzb::pageJson());
}

// The bytes SaveAs writes for the current switches.
EMSCRIPTEN_KEEPALIVE const char* qzb_save(QzbSession* session) {
    return session->give(qzb::writeSettingFile(session->panel.switches()));
}

// Load: the input buffer's bytes into a copy of the switches, which then replaces them, then reset.
EMSCRIPTEN_KEEPALIVE void qzb_load(QzbSession* session) {
    PanelSwitches loaded = session->panel.switches();
    qzb::readSettingFile(session->input, loaded);
    session->panel.applyLoaded(loaded);
}

// The link fragment in the input buffer applied to the panel (input switches off, then reset). The
// output is empty, or why the link holds no setting, in which case the panel is now empty.
EMSCRIPTEN_KEEPALIVE const char* qzb_apply_link(QzbSession* session) {
    const qzb::LinkReading link = qzb::readSettingLink(session->input);
    session->panel.applyLink(link);
    return session->give(link.fault);
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
    session->panel.applyLoaded(assembly.switches);
    return 0;
}

EMSCRIPTEN_KEEPALIVE const char* qzb_disassemble(QzbSession* session) {
    return session->give(qzb::disassemble(session->panel.switches()));
}

}  // extern "C"
