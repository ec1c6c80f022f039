// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/digits.h"
#include "settings/setting_commands.h"

// The texts and styles the panel shows, in one place for both front ends. The
// desktop window takes them from here; the page gets them with the layout (see
// page_json.h). Texts are UTF-8.
namespace qzb::catalogue {

inline constexpr std::string_view windowTitle = "QZB エミュレータ";
// The caption of every message box.
inline constexpr std::string_view messageCaption = "QZBEmu";
// What DecToBin reports for a value above 15.
inline constexpr std::string_view decToBinOver15 = "DecToBin-Over15";

inline constexpr std::string_view loadRefused =
    "無効なファイルが選択されました。ファイルはロードされませんでした。";
inline constexpr std::string_view saveRefused =
    "無効なファイルが選択されました。ファイルは保存されませんでした。";
inline constexpr std::string_view fileNotFound = "File Not Found";
inline constexpr std::string_view cannotWrite = "書き込めません。";

enum class FileCommand { Load, SaveAs };

// The message box a Load or SaveAs ends with; nothing when it was done or cancelled.
std::optional<std::string_view> fileCommandMessage(FileCommand command, FileCommandResult result);

// The About box, with this build's version.
std::string aboutText();

// The link-fault sentence, with %s where the reason goes.
inline constexpr std::string_view linkFault =
    "This link does not hold a QZB panel setting: %s. The panel is shown empty.";
// A sentence of this catalogue with its %s replaced by `reason`, such as the one
// readSettingLink gives for linkFault.
std::string withReason(std::string_view sentence, std::string_view reason);

// An output lamp lit and dark, as DecToBin draws them.
inline constexpr std::string_view lampOn = qzb::lampOn;
inline constexpr std::string_view lampOff = qzb::lampOff;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The address labels are black, the PC's row and the lamps red.
inline constexpr Rgb black{0, 0, 0};
inline constexpr Rgb red{255, 0, 0};

// The lamps' face, and faces with the same circles where it is missing, in order.
inline constexpr std::string_view lampFace = "ＭＳ Ｐゴシック";
inline constexpr std::string_view lampFallbacks[] = {"MS PGothic", "IPAPGothic"};
inline constexpr int lampPoints = 12;

// What only the page shows: the notice after End, its text without scripts, the link
// and Assembly boxes beside the panel, and its own message and name boxes.
namespace page {
inline constexpr std::string_view description =
    "An emulator of the QZB, a tiny 4-bit computer programmed with switches";
inline constexpr std::string_view needsScripts = "QZB needs JavaScript and WebAssembly.";
// The site's index.html opened from the disk, where browsers do not load its module scripts.
inline constexpr std::string_view servedOnly =
    "This page does not start from a file on the disk: its scripts load only from a web server. Open "
    "qzb.html, the whole page in one file, instead; or serve this folder (./web in a clone, or any web "
    "server) and open it there.";
inline constexpr std::string_view menuBar = "Menu";
inline constexpr std::string_view ended = "The program has ended.";
inline constexpr std::string_view startAgain = "Start again";
inline constexpr std::string_view extras = "Sharing and assembly";
inline constexpr std::string_view copyLink = "Copy link";
inline constexpr std::string_view linkCopied = "Link copied: it opens this panel.";
inline constexpr std::string_view linkInAddressBar =
    "The address bar now holds the link: copy it from there.";
inline constexpr std::string_view assembly = "Assembly";
inline constexpr std::string_view assemblySource = "Assembly source";
inline constexpr std::string_view assemble = "Assemble into panel";
inline constexpr std::string_view disassemble = "Show panel as assembly";
inline constexpr std::string_view assembled = "Assembled into the panel.";
inline constexpr std::string_view ok = "OK";
inline constexpr std::string_view save = "Save";
inline constexpr std::string_view cancel = "Cancel";
inline constexpr std::string_view fileName = "File name:";
inline constexpr std::string_view suggestedFileName = "program.qzb";
inline constexpr std::string_view errorIcon = "✖";
inline constexpr std::string_view informationIcon = "i";

// The panes beside the panel: the program as a listing, the history of the steps
// since the reset, and what the last step did.
inline constexpr std::string_view programPane = "Program";
inline constexpr std::string_view addressColumn = "Address";
inline constexpr std::string_view switchesColumn = "Switches";
inline constexpr std::string_view statementColumn = "Statement";
inline constexpr std::string_view breakpointColumn = "Break";
// The check box of the row at `address` (0-15): "Breakpoint at 07".
std::string breakpointName(int address);
inline constexpr std::string_view historyPane = "History";
inline constexpr std::string_view stepBack = "Step back";
inline constexpr std::string_view lastStep = "Last step";

// The pictures of what the machine did: the datapath of the last step and the timing diagram
// of the steps the history keeps.
inline constexpr std::string_view datapathPane = "Datapath";
// The datapath's name before any step, where Last step says nothing.
inline constexpr std::string_view noStep = "No step since the reset";
inline constexpr std::string_view operation = "operation";
// A part's title in the datapath: its name, then the step and the statement that last wrote it.
inline constexpr std::string_view writtenAt = "%s: written at step %s by %s";
inline constexpr std::string_view notWrittenSinceReset = "%s: not written since the reset";
// When the history no longer reaches back to the reset: the oldest step it keeps.
inline constexpr std::string_view notWrittenSince = "%s: not written since step %s";
inline constexpr std::string_view inputSwitches = "IN: the input switches";
inline constexpr std::string_view timingPane = "Timing";
inline constexpr std::string_view downloadSvg = "Download SVG";
inline constexpr std::string_view timingFileName = "qzb-timing.svg";
}  // namespace page

// The exercise and grading panes beside the page's panel.
namespace classroom {
inline constexpr std::string_view exercise = "Exercise";
inline constexpr std::string_view openExercise = "Open exercise";
// As the desktop writes a file dialog's filter.
inline constexpr std::string_view testFileFilter = "QZB Test File|*.qzt";
inline constexpr std::string_view noExercise =
    "Open a test file (.qzt) to read its task and check the panel against it.";
inline constexpr std::string_view check = "Check";
inline constexpr std::string_view results = "Results";
// The test file's own lines, folded until asked for.
inline constexpr std::string_view testFileLines = "Test file";
inline constexpr std::string_view copyExerciseLink = "Copy exercise link";
inline constexpr std::string_view withPanel = "with the panel as it is";
inline constexpr std::string_view exerciseLinkCopied = "Link copied: it opens this exercise.";
// The name a test file from a link goes by in the results, which carry no file name.
inline constexpr std::string_view linkedExerciseName = "exercise.qzt";
// With %s where the reason goes; the panel stays as it was.
inline constexpr std::string_view exerciseLinkFault = "This link does not hold a QZB exercise: %s.";
inline constexpr std::string_view gradeClass = "Grade a class";
inline constexpr std::string_view testFile = "Test file:";
inline constexpr std::string_view submissions = "Submissions:";
inline constexpr std::string_view submissionFolder = "or a folder:";
inline constexpr std::string_view program = "Program";
inline constexpr std::string_view downloadCsv = "Download CSV";
inline constexpr std::string_view csvFileName = "results.csv";
// One row per program, for a grade book.
inline constexpr std::string_view downloadGrades = "Download grades";
inline constexpr std::string_view gradesFileName = "grades.csv";
inline constexpr std::string_view pointsColumn = "Points";
// A class is graded beside the page: how far it got, with %s for the programs graded and then
// for all of them, and Stop.
inline constexpr std::string_view gradingProgress = "%s of %s programs graded";
inline constexpr std::string_view stop = "Stop";
inline constexpr std::string_view gradingStopped = "Stopped: %s of %s programs graded";
inline constexpr std::string_view gradingFailed =
    "The grading stopped: this browser could not grade beside the page (%s of %s programs graded).";
// Said of a file the browser read as empty, with %s where the command line's words go: a browser
// gives a FIFO or a device to the page as an empty file, which the command line refuses to read.
inline constexpr std::string_view readAsEmpty =
    "The browser read this file as empty. If it is a FIFO or a device, which a browser cannot tell from an "
    "empty file, qzb-cli test says instead: %s";
}  // namespace classroom

}  // namespace qzb::catalogue
