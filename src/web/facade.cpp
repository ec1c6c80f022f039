// SPDX-License-Identifier: MIT
// The page's only way into the C++ core: a C ABI over one panel session. Each event
// of the panel is one call, which leaves what the panel now shows in the session's
// view for the page to read from memory. Texts cross as UTF-8: the page writes into
// the session's input buffer, and a text a call returns stays valid, with its length
// from qzb_output_length, until the next call that returns one.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "asm/disassembler.h"
#include "asm/step_words.h"
#include "common/diagnostic.h"
#include "front_panel/catalogue.h"
#include "front_panel/page_json.h"
#include "front_panel/panel_session.h"
#include "front_panel/panel_view.h"
#include "grade/classroom.h"
#include "grade/report.h"
#include "grade/trace_table.h"
#include "settings/file_dialog.h"
#include "settings/setting_file.h"
#include "settings/setting_link.h"
#include "settings/setting_storage.h"

namespace {

using qzb::ClockOption;
using qzb::PanelSwitches;
using qzb::SwitchBank;

// The page has no dialog of its own kind: it only needs the dialog object's name rule.
class NoPicker : public qzb::FilePicker {
public:
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override { return std::nullopt; }
    bool confirmOverwrite(const qzb::FileDialog&, const std::string&) override { return false; }
};

// A file handed over as its name, a NUL (which no file name holds), then its bytes.
std::pair<std::string, std::string_view> nameAndBytes(std::string_view input) {
    const std::size_t end = std::min(input.find('\0'), input.size());
    return {std::string(input.substr(0, end)), input.substr(std::min(end + 1, input.size()))};
}

// What the page says of a file the browser read as empty; nothing for any other. A browser
// reads a FIFO or a device as an empty file, which the command line refuses.
std::string readAsEmptyNote(std::string_view name, std::string_view bytes) {
    if (!bytes.empty()) return {};
    const std::string reason = std::error_code(qzb::FileError::NotRegularFile).message();
    return qzb::catalogue::withReason(qzb::catalogue::classroom::readAsEmpty,
                                      qzb::unreadableProgram(name, reason).problem);
}

}  // namespace

struct QzbSession {
    qzb::PanelSession panel;
    qzb::PanelView view;
    std::string input;
    std::string output;
    qzb::Classroom classroom;
    // What the page's history shows: the rows of which start, in a step column how wide.
    std::uint32_t historyShownStarts = 0;
    std::size_t historyShownWidth = 0;

    // The view brought up to the panel after an event.
    void show(int beeps = 0) { qzb::updateView(view, panel, beeps); }
    void show(const qzb::PanelChange& change) { show(change.beep ? 1 : 0); }

    const char* give(std::string text) {
        output = std::move(text);
        return output.c_str();
    }
};

extern "C" {

EMSCRIPTEN_KEEPALIVE QzbSession* qzb_create() {
    auto session = std::make_unique<QzbSession>();
    session->show();
    return session.release();
}

EMSCRIPTEN_KEEPALIVE void qzb_destroy(QzbSession* session) {
    std::unique_ptr<QzbSession> owned(session);
}

// What the panel shows, at the same place for the session's life. Every event below
// brings it up to date; pageJson()'s "view" says where each field lies.
EMSCRIPTEN_KEEPALIVE const qzb::PanelView* qzb_view(QzbSession* session) {
    return &session->view;
}

// A buffer of `size` bytes for the page to write a text into before a call that reads one.
EMSCRIPTEN_KEEPALIVE char* qzb_input(QzbSession* session, std::size_t size) {
    session->input.assign(size, '\0');
    return session->input.data();
}

// The byte length of the text the last call returned.
EMSCRIPTEN_KEEPALIVE std::size_t qzb_output_length(QzbSession* session) {
    return session->output.size();
}

// A click on a switch, by the bank and index its role names: the session decides its next state.
EMSCRIPTEN_KEEPALIVE void qzb_toggle(QzbSession* session, int bank, int index) {
    if (bank >= 0 && bank <= 2) session->show(session->panel.toggle({SwitchBank(bank), index}));
}

// A ClockOption; anything else selects none.
EMSCRIPTEN_KEEPALIVE void qzb_select_clock(QzbSession* session, int option) {
    session->show(
        session->panel.selectClock(option >= 0 && option <= 2 ? ClockOption(option) : ClockOption::None));
}

// `count` ticks of the 100 ms timer that fell due together, shown once.
EMSCRIPTEN_KEEPALIVE void qzb_tick(QzbSession* session, int count) {
    int beeps = 0;
    for (int i = 0; i < count; ++i) beeps += session->panel.tick().beep ? 1 : 0;
    session->show(beeps);
}

EMSCRIPTEN_KEEPALIVE void qzb_clock(QzbSession* session) {
    session->show(session->panel.pressClock());
}

EMSCRIPTEN_KEEPALIVE void qzb_reset(QzbSession* session) {
    session->show(session->panel.pressReset());
}

// Load: the input buffer's bytes into a copy of the switches, which then replaces them, then reset.
EMSCRIPTEN_KEEPALIVE void qzb_load(QzbSession* session) {
    PanelSwitches loaded = session->panel.switches();
    qzb::readSettingFile(session->input, loaded);
    session->show(session->panel.applyLoaded(loaded));
}

// The link fragment in the input buffer applied to the panel (input switches off, then reset).
// Returns nothing, or the message saying why the link holds no setting; the panel is then empty.
EMSCRIPTEN_KEEPALIVE const char* qzb_apply_link(QzbSession* session) {
    const qzb::LinkReading link = qzb::readSettingLink(session->input);
    session->show(session->panel.applyLink(link));
    return session->give(link.fault.empty()
                             ? std::string()
                             : qzb::catalogue::withReason(qzb::catalogue::linkFault, link.fault));
}

// The link fragment, with its '#', that opens the panel as it is.
EMSCRIPTEN_KEEPALIVE const char* qzb_link(QzbSession* session) {
    return session->give(qzb::settingLink(session->panel.switches()));
}

// The shared layout table with its roles, the catalogue of texts and styles, and the view's fields, as JSON.
EMSCRIPTEN_KEEPALIVE const char* qzb_layout(QzbSession* session) {
    return session->give(qzb::pageJson());
}

// The bytes SaveAs writes for the current switches.
EMSCRIPTEN_KEEPALIVE const char* qzb_save(QzbSession* session) {
    return session->give(qzb::writeSettingFile(session->panel.switches()));
}

// The name a file dialog would return for the name in the input buffer (".qzb" added to a
// name without an extension), or nothing when its extension is another one.
EMSCRIPTEN_KEEPALIVE const char* qzb_accepted_name(QzbSession* session) {
    NoPicker picker;
    qzb::FileDialog dialog(picker);
    dialog.defaultExt = "qzb";
    dialog.takeName(session->input);
    const bool refused = (dialog.flags & qzb::FileDialog::extensionDifferent) != 0;
    return session->give(refused ? std::string() : dialog.fileName);
}

// How much of a file a load reads; anything past it counts as past the end.
EMSCRIPTEN_KEEPALIVE std::size_t qzb_read_limit() {
    return qzb::fileReadLimit;
}

// Assembles the source in the input buffer. On success the switches become the source's
// panel (the input port keeps its switches), the machine is reset and nothing is returned;
// else why not, one line a reason: a source of the read limit or more (the page passes no
// more than that), or the errors with their lines.
EMSCRIPTEN_KEEPALIVE const char* qzb_assemble(QzbSession* session) {
    if (std::optional<std::string> problem = qzb::sourceSizeProblem("The source", session->input.size()))
        return session->give(std::move(*problem));
    const qzb::Assembly assembly = qzb::assemble(session->input);
    if (!assembly.errors.empty()) {
        std::string listing;
        for (const std::string& line : qzb::locatedMessages("", assembly.errors))
            listing += (listing.empty() ? "" : "\n") + line;
        return session->give(std::move(listing));
    }
    session->show(session->panel.applyLoaded(assembly.switches));
    return session->give({});
}

EMSCRIPTEN_KEEPALIVE const char* qzb_disassemble(QzbSession* session) {
    return session->give(qzb::disassemble(session->panel.switches()));
}

// The classroom panes: the listing, the history, step back, breakpoints

// The program's 16 rows, one a line: the address, the switches and the statement, split by tabs.
EMSCRIPTEN_KEEPALIVE const char* qzb_listing(QzbSession* session) {
    std::string text;
    for (int address = 0; address < 16; ++address) {
        const qzb::ListingRow row = qzb::listingRow(session->panel.switches(), address);
        text += row.address + '\t' + row.bits + '\t' + row.statement + '\n';
    }
    return session->give(std::move(text));
}

// The history's rows of the run table from step `from` on, after a first line that is empty.
// When the table must be drawn afresh (the history started again, or its step column
// widened or narrowed), the first line is the table's header and every kept row follows.
EMSCRIPTEN_KEEPALIVE const char* qzb_history_rows(QzbSession* session, double from) {
    const qzb::PanelSession& panel = session->panel;
    const std::uint64_t last = panel.stepNumber();
    const std::size_t width = qzb::textTraceHeader(last).size();
    const bool afresh =
        session->historyShownStarts != panel.historyStarts() || session->historyShownWidth != width;
    session->historyShownStarts = panel.historyStarts();
    session->historyShownWidth = width;
    const std::uint64_t first =
        afresh || from < 0 ? panel.firstHistoryStep() : static_cast<std::uint64_t>(from);
    std::vector<qzb::TraceRow> rows;
    for (const qzb::HistoryRow& row :
         panel.history(last >= first ? static_cast<std::size_t>(last - first + 1) : 0))
        rows.push_back({row.step, row.executedAt, row.word, row.state});
    return session->give((afresh ? qzb::textTraceHeader(last) : "\n") + qzb::textTraceRowsOnly(rows, last));
}

// What the last kept step did, in words; nothing after a reset.
EMSCRIPTEN_KEEPALIVE const char* qzb_last_step(QzbSession* session) {
    const std::optional<qzb::StepRecord> step = session->panel.lastStep();
    return session->give(step ? qzb::stepInWords(*step) : std::string());
}

EMSCRIPTEN_KEEPALIVE void qzb_step_back(QzbSession* session) {
    session->show(session->panel.stepBack());
}

EMSCRIPTEN_KEEPALIVE void qzb_set_breakpoint(QzbSession* session, int address, int set) {
    session->panel.setBreakpoint(address, set != 0);
}

EMSCRIPTEN_KEEPALIVE int qzb_breakpoint_at(QzbSession* session, int address) {
    return session->panel.breakpointAt(address) ? 1 : 0;
}

// The exercise and grading a class
// The Exercise pane's test file (name, NUL, bytes) opened; returns its task, problems, case
// names and lines (see qzb::testFileJson).
EMSCRIPTEN_KEEPALIVE const char* qzb_open_exercise(QzbSession* session) {
    qzb::Classroom& classroom = session->classroom;
    auto [name, bytes] = nameAndBytes(session->input);
    classroom.exerciseText = std::string(bytes);
    classroom.exercise = qzb::readTestFile(name, bytes);
    if (std::string note = readAsEmptyNote(name, bytes); !note.empty())
        classroom.exercise.messages.push_back(std::move(note));
    classroom.exerciseName = std::move(name);
    return session->give(qzb::testFileJson(classroom.exercise, classroom.exerciseText));
}

// The exercise link in the input buffer opened as the Exercise pane's test file, and its
// panel, when it has one, applied as a panel link is; nothing when the fragment is not
// meant as an exercise link. A faulty one leaves the panel as it was and is the pane's one problem.
EMSCRIPTEN_KEEPALIVE const char* qzb_open_exercise_link(QzbSession* session) {
    if (!qzb::isExerciseLink(session->input)) return session->give({});
    const qzb::ExerciseLinkReading link = qzb::readExerciseLink(session->input);
    qzb::Classroom& classroom = session->classroom;
    classroom.exerciseName = qzb::catalogue::classroom::linkedExerciseName;
    classroom.exerciseText = link.testFile.value_or(std::string());
    if (!link.testFile) {
        classroom.exercise = {
            .problem = qzb::catalogue::withReason(qzb::catalogue::classroom::exerciseLinkFault, link.fault)};
    } else {
        classroom.exercise = qzb::readTestFile(classroom.exerciseName, classroom.exerciseText);
        if (link.start) session->show(session->panel.applyLink({.switches = link.start}));
    }
    return session->give(qzb::testFileJson(classroom.exercise, classroom.exerciseText));
}

// The panel's switches graded against every case of the Exercise pane's test file, with
// the input switches off (see qzb::resultsJson); nothing when no usable test file is open.
EMSCRIPTEN_KEEPALIVE const char* qzb_check(QzbSession* session) {
    const qzb::Classroom& classroom = session->classroom;
    if (!classroom.exercise.usable()) return session->give({});
    qzb::Program program;
    program.switches = session->panel.switches();
    const qzb::ProgramResult result = qzb::gradeProgram(classroom.exercise.exercise, "", std::move(program));
    return session->give(qzb::resultsJson(classroom.exerciseName, result));
}

// The fragment, with its '#', of a link to the open exercise, starting from the panel as it is
// when `withPanel`; nothing when no usable test file is open.
EMSCRIPTEN_KEEPALIVE const char* qzb_exercise_link(QzbSession* session, int withPanel) {
    const qzb::Classroom& classroom = session->classroom;
    if (!classroom.exercise.usable()) return session->give({});
    std::optional<PanelSwitches> start;
    if (withPanel != 0) start = session->panel.switches();
    return session->give(qzb::exerciseLink(classroom.exerciseText, start));
}

// Grade a class: its test file (name, NUL, bytes), which empties the table; as qzb_open_exercise.
EMSCRIPTEN_KEEPALIVE const char* qzb_class_tests(QzbSession* session) {
    qzb::Classroom& classroom = session->classroom;
    auto [name, bytes] = nameAndBytes(session->input);
    classroom.classTests = qzb::readTestFile(name, bytes);
    if (std::string note = readAsEmptyNote(name, bytes); !note.empty())
        classroom.classTests.messages.push_back(std::move(note));
    classroom.classTestsName = std::move(name);
    classroom.classResults.clear();
    return session->give(qzb::testFileJson(classroom.classTests));
}

// One program of the class (name, NUL, bytes: at most the read limit), graded and added to
// the table's end; returns its row (see qzb::resultsJson), with a note when it was read as empty.
EMSCRIPTEN_KEEPALIVE const char* qzb_class_program(QzbSession* session) {
    auto [name, bytes] = nameAndBytes(session->input);
    qzb::Program program = qzb::programFromBytes(name, bytes);
    std::string note = readAsEmptyNote(name, bytes);
    return session->give(session->classroom.grade(std::move(name), std::move(program), note));
}

// A program of the class the browser could not read (name, NUL, the error's name, such as
// NotFoundError), added to the table as the command line lists an unreadable file.
EMSCRIPTEN_KEEPALIVE const char* qzb_class_unreadable(QzbSession* session) {
    auto [name, error] = nameAndBytes(session->input);
    qzb::Program program = qzb::unreadableProgram(name, qzb::readFailureReason(error));
    return session->give(session->classroom.grade(std::move(name), std::move(program)));
}

// The class's table as `qzb-cli test TESTS.qzt PROGRAM... --format csv` prints it.
EMSCRIPTEN_KEEPALIVE const char* qzb_class_csv(QzbSession* session) {
    const qzb::Classroom& classroom = session->classroom;
    return session->give(
        qzb::gradeReport(classroom.classTestsName, classroom.classResults, qzb::ReportFormat::Csv));
}

}  // extern "C"
