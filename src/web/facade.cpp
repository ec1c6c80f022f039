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

#include "asm/disassembler.h"
#include "asm/step_words.h"
#include "common/digits.h"
#include "front_panel/catalogue.h"
#include "front_panel/datapath.h"
#include "front_panel/page_json.h"
#include "front_panel/panel_session.h"
#include "front_panel/panel_view.h"
#include "grade/classroom.h"
#include "grade/report.h"
#include "grade/timing_diagram.h"
#include "grade/trace_table.h"
#include "settings/file_dialog.h"
#include "settings/setting_file.h"
#include "settings/setting_link.h"
#include "settings/setting_storage.h"

namespace {

using qzb::ClockOption;
using qzb::PanelSwitches;

// The page has no dialog of its own kind: it only needs the dialog object's name rule.
class NoPicker : public qzb::FilePicker {
public:
    std::optional<std::string> pickFile(const qzb::FileDialog&, Kind) override { return std::nullopt; }
    bool confirmOverwrite(const qzb::FileDialog&, const std::string&) override { return false; }
};

static_assert(qzb::timingKeptSteps == qzb::PanelSession::keptSteps,
              "the command line's timing diagram shows the steps the page's history keeps");

// The history's rows as the trace table and the timing diagram take them.
std::vector<qzb::TraceRow> historyRows(const qzb::PanelSession& panel, std::size_t count) {
    std::vector<qzb::TraceRow> rows;
    for (const qzb::HistoryRow& row : panel.history(count))
        rows.push_back({row.step, row.executedAt, row.word, row.state});
    return rows;
}

// The timing diagram's title names the program and the input switches as the command line's does.
std::string timingTitle(const qzb::PanelSession& panel, const std::vector<qzb::TraceRow>& rows) {
    return qzb::timingTitle(rows, qzb::settingLink(panel.switches()),
                            qzb::binaryDigits(qzb::readInputPort(panel.switches())));
}

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

    // Runs an event of the panel and writes into the view what it changed. The page draws
    // the history afresh also when its table's header changes: the step column widens at
    // 10,000 steps and narrows again when stepped back.
    template <typename Event>
    void show(Event event) {
        const std::uint64_t before = panel.stepNumber();
        qzb::PanelChange change = event(panel);
        const std::uint64_t after = panel.stepNumber();
        // Making a header costs far more than a step: only a new number of digits may change it.
        const auto digits = [](std::uint64_t step) { return std::to_string(step).size(); };
        if (digits(after) != digits(before) && qzb::textTraceHeader(after) != qzb::textTraceHeader(before))
            change.historyStarted = true;
        qzb::writeView(view, panel, change);
    }

    const char* give(std::string text) {
        output = std::move(text);
        return output.c_str();
    }
};

extern "C" {

EMSCRIPTEN_KEEPALIVE QzbSession* qzb_create() {
    auto session = std::make_unique<QzbSession>();
    session->show([](const qzb::PanelSession&) { return qzb::PanelChange::everything(); });
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

// A click on a switch, by its place in the view's switches, as its role names it: the session
// decides its next state.
EMSCRIPTEN_KEEPALIVE void qzb_toggle(QzbSession* session, int place) {
    if (const std::optional<qzb::SwitchRef> which = qzb::viewSwitch(place))
        session->show([&](qzb::PanelSession& panel) { return panel.toggle(*which); });
}

// A ClockOption; anything else selects none.
EMSCRIPTEN_KEEPALIVE void qzb_select_clock(QzbSession* session, int option) {
    const ClockOption selected = option >= 0 && option <= 2 ? ClockOption(option) : ClockOption::None;
    session->show([&](qzb::PanelSession& panel) { return panel.selectClock(selected); });
}

// `count` ticks of the 100 ms timer that fell due together, shown once.
EMSCRIPTEN_KEEPALIVE void qzb_tick(QzbSession* session, int count) {
    session->show([&](qzb::PanelSession& panel) {
        qzb::PanelChange change;
        for (int i = 0; i < count; ++i) change |= panel.tick();
        return change;
    });
}

EMSCRIPTEN_KEEPALIVE void qzb_clock(QzbSession* session) {
    session->show([](qzb::PanelSession& panel) { return panel.pressClock(); });
}

EMSCRIPTEN_KEEPALIVE void qzb_reset(QzbSession* session) {
    session->show([](qzb::PanelSession& panel) { return panel.pressReset(); });
}

// Load: the input buffer's bytes into a copy of the switches, which then replaces them, then reset.
EMSCRIPTEN_KEEPALIVE void qzb_load(QzbSession* session) {
    PanelSwitches loaded = session->panel.switches();
    qzb::readSettingFile(session->input, loaded);
    session->show([&](qzb::PanelSession& panel) { return panel.applyLoaded(loaded); });
}

// The link fragment in the input buffer applied to the panel (input switches off, then reset).
// Returns nothing, or the message saying why the link holds no setting; the panel is then empty.
EMSCRIPTEN_KEEPALIVE const char* qzb_apply_link(QzbSession* session) {
    const qzb::LinkReading link = qzb::readSettingLink(session->input);
    session->show([&](qzb::PanelSession& panel) { return panel.applyLink(link); });
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
    std::vector<std::string> problems;
    session->show([&](qzb::PanelSession& panel) {
        return panel.applySource(session->input, "The source", "", problems);
    });
    std::string listing;
    for (const std::string& line : problems) listing += (listing.empty() ? "" : "\n") + line;
    return session->give(std::move(listing));
}

// The statement in the input buffer into the word at `address`, as the Program pane's row takes
// it; nothing on success, else the assembler's messages, one a line, and the panel as it was.
EMSCRIPTEN_KEEPALIVE const char* qzb_apply_statement(QzbSession* session, int address) {
    std::vector<std::string> problems;
    session->show(
        [&](qzb::PanelSession& panel) { return panel.applyStatement(address, session->input, problems); });
    std::string listing;
    for (const std::string& line : problems) listing += (listing.empty() ? "" : "\n") + line;
    return session->give(std::move(listing));
}

EMSCRIPTEN_KEEPALIVE const char* qzb_disassemble(QzbSession* session) {
    return session->give(qzb::disassemble(session->panel.switches()));
}

// The panes beside the panel: the history, step back, breakpoints

// The history's rows of the run table from step `from` on (from the oldest kept step when it is
// older), newest last, as qzb::historyJson writes them.
EMSCRIPTEN_KEEPALIVE const char* qzb_history(QzbSession* session, double from) {
    const qzb::PanelSession& panel = session->panel;
    const std::uint64_t last = panel.stepNumber();
    const std::uint64_t first =
        std::max(panel.firstHistoryStep(), from > 0 ? static_cast<std::uint64_t>(from) : 0);
    const std::vector<qzb::TraceRow> rows =
        historyRows(panel, last >= first ? static_cast<std::size_t>(last - first + 1) : 0);
    // The table's lines, without their newlines.
    const std::string text = qzb::textTraceHeader(last) + qzb::textTraceRowsOnly(rows, last);
    qzb::HistoryRows history;
    for (std::size_t at = 0, end = 0; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        (at == 0 ? history.header : history.rows.emplace_back()) = text.substr(at, end - at);
    const std::optional<qzb::StepRecord> step = panel.lastStep();
    if (step) history.lastStep = qzb::stepInWords(*step);
    return session->give(qzb::historyJson(history));
}

// The pictures: the datapath of the last step, and the timing diagram of the history's rows

EMSCRIPTEN_KEEPALIVE const char* qzb_datapath(QzbSession* session) {
    return session->give(qzb::datapathJson(qzb::datapath(session->panel)));
}

// The whole timing diagram, as `qzb-cli run PROGRAM --steps K --input BITS --format svg` writes it
// for a run of K steps whose input switches stayed as they are now.
EMSCRIPTEN_KEEPALIVE const char* qzb_timing_svg(QzbSession* session) {
    const qzb::PanelSession& panel = session->panel;
    const std::vector<qzb::TraceRow> rows = historyRows(panel, qzb::PanelSession::keptSteps + 1);
    return session->give(qzb::timingDiagram(rows, qzb::settingLink(panel.switches()),
                                            qzb::binaryDigits(qzb::readInputPort(panel.switches()))));
}

// The diagram's title and width, and its columns of the steps from `from` on, placed as in a
// diagram whose first column is step `origin` (see qzb::timingColumns).
EMSCRIPTEN_KEEPALIVE const char* qzb_timing_columns(QzbSession* session, double from, double origin) {
    const qzb::PanelSession& panel = session->panel;
    const std::vector<qzb::TraceRow> rows = historyRows(panel, qzb::PanelSession::keptSteps + 1);
    const std::uint64_t first = rows.front().step;
    const auto start = static_cast<std::size_t>(std::max<double>(from - static_cast<double>(first), 0));
    return session->give(qzb::timingColumnsJson(
        {.title = timingTitle(panel, rows),
         .width = qzb::timingWidth(rows),
         .height = qzb::timingHeight,
         .labels = qzb::timingLabelWidth,
         .column = qzb::timingColumnWidth(rows),
         .lanes = qzb::timingLanes(),
         .columns = qzb::timingColumns(rows, start, static_cast<std::uint64_t>(origin))}));
}

EMSCRIPTEN_KEEPALIVE void qzb_step_back(QzbSession* session) {
    session->show([](qzb::PanelSession& panel) { return panel.stepBack(); });
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
        if (link.start)
            session->show(
                [&](qzb::PanelSession& panel) { return panel.applyLink({.switches = link.start}); });
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
    auto [name, bytes] = nameAndBytes(session->input);
    std::string note = readAsEmptyNote(name, bytes);
    return session->give(session->classroom.openClassTests(std::move(name), bytes, note));
}

// One program of the class (name, NUL, bytes: at most the read limit), graded and added to
// the table's end; returns its row (see qzb::resultsJson), with a note when it was read as
// empty, or nothing for the test file itself.
EMSCRIPTEN_KEEPALIVE const char* qzb_class_program(QzbSession* session) {
    auto [name, bytes] = nameAndBytes(session->input);
    std::string note = readAsEmptyNote(name, bytes);
    return session->give(session->classroom.gradeFile(std::move(name), bytes, note));
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

// The class's grade book, one row per program, as `qzb-cli test ... --format grades` prints it.
EMSCRIPTEN_KEEPALIVE const char* qzb_class_grades(QzbSession* session) {
    return session->give(session->classroom.gradesCsv());
}

}  // extern "C"
