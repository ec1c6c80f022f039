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

// A text of the page outside the panel, in English and in Japanese, which the page shows by
// the language chosen. Alike: the same in both, as the panel's own texts, a glyph or a file
// name are.
struct Bilingual {
    std::string_view english;
    std::string_view japanese;
    bool alike = false;
};
constexpr Bilingual alike(std::string_view text) {
    return {text, text, true};
}

// What only the page shows: the notice after End, its text without scripts, the link
// and Assembly pane, and its own message and name boxes.
namespace page {
inline constexpr Bilingual description{
    "An emulator of the QZB, a tiny 4-bit computer programmed with switches",
    "スイッチでプログラムする小さな4ビットコンピュータ QZB のエミュレータ"};
inline constexpr Bilingual needsScripts{"QZB needs JavaScript and WebAssembly.",
                                        "QZB を使うには JavaScript と WebAssembly が必要です。"};
// The site's index.html opened from the disk, where browsers do not load its module scripts.
inline constexpr Bilingual servedOnly{
    "This page does not start from a file on the disk: its scripts load only from a web server. Open "
    "qzb.html, the whole page in one file, instead; or serve this folder (./web in a clone, or any web "
    "server) and open it there.",
    "このページは、ディスク上のファイルとして開いても動きません。スクリプトがウェブサーバーからしか読み込ま"
    "れないためです。かわりに、ページ全体を1つにまとめたファイル qzb.html を開いてください。または、この"
    "フォルダをウェブサーバー（クローンでは ./web、ほかのウェブサーバーでもかまいません）で公開して開いてくだ"
    "さい。"};
// The panel's own: its menu bar and the notice that takes its place after End.
inline constexpr Bilingual menuBar = alike("Menu");
inline constexpr Bilingual ended = alike("The program has ended.");
inline constexpr Bilingual startAgain = alike("Start again");
inline constexpr Bilingual copyLink{"Copy link", "リンクをコピー"};
inline constexpr Bilingual linkCopied{"Link copied: it opens this panel.",
                                      "リンクをコピーしました。開くと今のパネルになります。"};
inline constexpr Bilingual linkInAddressBar{"The address bar now holds the link: copy it from there.",
                                            "リンクをアドレスバーに入れました。そこからコピーしてください。"};
inline constexpr Bilingual assembly{"Assembly", "アセンブリ"};
inline constexpr Bilingual assemblySource{"Assembly source", "アセンブリのソース"};
inline constexpr Bilingual assemble{"Assemble into panel", "パネルにアセンブル"};
inline constexpr Bilingual disassemble{"Show panel as assembly", "パネルをアセンブリで表示"};
inline constexpr Bilingual assembled{"Assembled into the panel.", "パネルにアセンブルしました。"};
inline constexpr Bilingual assemblyErrors{"Errors", "エラー"};
inline constexpr Bilingual ok = alike("OK");
inline constexpr Bilingual save{"Save", "保存"};
inline constexpr Bilingual cancel{"Cancel", "キャンセル"};
inline constexpr Bilingual fileName{"File name:", "ファイル名:"};
inline constexpr Bilingual suggestedFileName = alike("program.qzb");
inline constexpr Bilingual errorIcon = alike("✖");
inline constexpr Bilingual informationIcon = alike("i");

// The panes beside the panel: the program as a listing, the history of the steps
// since the reset, and what the last step did.
inline constexpr Bilingual programPane{"Program", "プログラム"};
inline constexpr Bilingual addressColumn{"Address", "番地"};
inline constexpr Bilingual switchesColumn{"Switches", "スイッチ"};
inline constexpr Bilingual statementColumn{"Statement", "命令"};
inline constexpr Bilingual breakpointColumn{"Break", "停止"};
// A row's controls, with %s for its address ("07") and then the bit.
inline constexpr Bilingual breakpointAt{"Breakpoint at %s", "%s 番地で停止"};
inline constexpr Bilingual statementAt{"Statement at %s", "%s 番地の命令"};
inline constexpr Bilingual rowBit{"Row %s bit %s", "%s 番地のビット %s"};
inline constexpr Bilingual historyPane{"History", "履歴"};
inline constexpr Bilingual stepBack{"Step back", "1ステップ戻す"};
inline constexpr Bilingual lastStep{"Last step", "直前のステップ"};

// The pictures of what the machine did: the datapath of the last step and the timing diagram
// of the steps the history keeps.
inline constexpr Bilingual datapathPane{"Datapath", "データパス"};
inline constexpr Bilingual operation{"operation", "命令"};
inline constexpr Bilingual timingPane{"Timing", "タイミング"};
inline constexpr Bilingual downloadSvg{"Download SVG", "SVG をダウンロード"};
inline constexpr Bilingual timingFileName = alike("qzb-timing.svg");
// The datapath's name before any step, where Last step says nothing.
inline constexpr Bilingual noStep{"No step since the reset", "リセットしてから、まだ実行していません"};
// A part's title in the datapath: its name, then the step and the statement that last wrote
// it. These are the machine's own words, as the Last step sentence and the History are, and
// stay in English.
inline constexpr std::string_view writtenAt = "%s: written at step %s by %s";
inline constexpr std::string_view notWrittenSinceReset = "%s: not written since the reset";
// When the history no longer reaches back to the reset: the oldest step it keeps.
inline constexpr std::string_view notWrittenSince = "%s: not written since step %s";
inline constexpr std::string_view inputSwitches = "IN: the input switches";
}  // namespace page

// The exercise and grading panes beside the page's panel.
namespace classroom {
inline constexpr Bilingual exercise{"Exercise", "課題"};
inline constexpr Bilingual openExercise{"Open exercise", "課題を開く"};
// As the desktop writes a file dialog's filter.
inline constexpr Bilingual testFileFilter = alike("QZB Test File|*.qzt");
inline constexpr Bilingual noExercise{
    "Open a test file (.qzt) to read its task and check the panel against it.",
    "テストファイル（.qzt）を開くと、課題を読んで、パネルのプログラムが正しいか確かめられます。"};
inline constexpr Bilingual check{"Check", "チェック"};
inline constexpr Bilingual results{"Results", "結果"};
// The test file's own lines, folded until asked for.
inline constexpr Bilingual testFileLines{"Test file", "テストファイル"};
inline constexpr Bilingual copyExerciseLink{"Copy exercise link", "課題のリンクをコピー"};
inline constexpr Bilingual withPanel{"with the panel as it is", "今のパネルも入れる"};
inline constexpr Bilingual exerciseLinkCopied{"Link copied: it opens this exercise.",
                                              "リンクをコピーしました。開くとこの課題になります。"};
// The name a test file from a link goes by in the results, which carry no file name.
inline constexpr std::string_view linkedExerciseName = "exercise.qzt";
// With %s where the reason goes; the panel stays as it was.
inline constexpr std::string_view exerciseLinkFault = "This link does not hold a QZB exercise: %s.";
inline constexpr Bilingual gradeClass{"Grade a class", "クラスの採点"};
inline constexpr Bilingual testFile{"Test file:", "テストファイル:"};
inline constexpr Bilingual submissions{"Submissions:", "提出されたプログラム:"};
inline constexpr Bilingual submissionFolder{"or a folder:", "またはフォルダ:"};
inline constexpr Bilingual program{"Program", "プログラム"};
inline constexpr Bilingual downloadCsv{"Download CSV", "CSV をダウンロード"};
inline constexpr Bilingual csvFileName = alike("results.csv");
// One row per program, for a grade book.
inline constexpr Bilingual downloadGrades{"Download grades", "成績をダウンロード"};
inline constexpr Bilingual gradesFileName = alike("grades.csv");
inline constexpr Bilingual pointsColumn{"Points", "得点"};
// A class is graded beside the page: how far it got, with %s for the programs graded and then
// for all of them, and Stop.
inline constexpr Bilingual gradingProgress{"%s of %s programs graded",
                                           "%s / %s 件のプログラムを採点しました"};
inline constexpr Bilingual stop{"Stop", "中止"};
inline constexpr Bilingual gradingStopped{"Stopped: %s of %s programs graded",
                                          "中止しました（%s / %s 件を採点済み）"};
inline constexpr Bilingual gradingFailed{
    "The grading stopped: this browser could not grade beside the page (%s of %s programs graded).",
    "採点が止まりました。このブラウザではページと並行して採点できません（%s / %s 件を採点済み）。"};
// Said among the grader's reasons of a file the browser read as empty, with %s where the command
// line's words go: a browser gives a FIFO or a device to the page as an empty file, which the
// command line refuses to read.
inline constexpr std::string_view readAsEmpty =
    "The browser read this file as empty. If it is a FIFO or a device, which a browser cannot tell from an "
    "empty file, qzb-cli test says instead: %s";
}  // namespace classroom

// The page's header, the examples and the help.
namespace welcome {
inline constexpr Bilingual title = alike("QZB");
inline constexpr Bilingual intro{
    "QZB is a tiny 4-bit computer that you program with the switches of its front panel, a row of eight "
    "for each of its 16 words, and watch as it runs one instruction at a time.",
    "QZB は、16 ワードのプログラムをフロントパネルのスイッチで 1 行 8 個ずつ入力し、命令が 1 つずつ実行"
    "される様子を観察できる、小さな 4 ビットコンピュータです。"};
inline constexpr Bilingual examples{"Examples", "例題"};
inline constexpr Bilingual help{"Help", "ヘルプ"};
inline constexpr Bilingual language{"Language", "言語"};
// Each language by its own name, in either page.
inline constexpr Bilingual english = alike("English");
inline constexpr Bilingual japanese = alike("日本語");
inline constexpr Bilingual helpTitle{"How QZB works", "QZB の使い方"};
inline constexpr Bilingual close{"Close", "閉じる"};
inline constexpr Bilingual instructionsHeading{"Instructions", "命令"};
inline constexpr Bilingual instructionsIntro{
    "Each word is eight switches: bits 7-4 choose the instruction, bits 3-0 are its number, im. Every "
    "instruction adds im to one source, sets the carry when the sum passes 15, and writes the low four bits "
    "of the sum to one place; the program counter then moves to the next address unless it jumped. In the "
    "Program pane, write a statement with a number from 0 to 15 for n, or .word and a whole word, 0-255.",
    "1 ワードは 8 個のスイッチです。ビット 7-4 で命令を選び、ビット 3-0 がその数 im です。どの命令も、im "
    "を 1 つの値に足し、和が 15 を超えるとキャリーを 1 にして、和の下位 4 ビットを 1 か所に書き込みます。"
    "ジャンプしなかったときは、プログラムカウンタが次の番地に進みます。プログラム欄では、n に 0 から 15 の"
    "数を入れて命令を書くか、.word に続けてワード全体（0-255）を書きます。"};
inline constexpr Bilingual bitsColumn{"bits 7-4", "ビット 7-4"};
inline constexpr Bilingual effectColumn{"effect", "動作"};
// A jump's effect, with %s where its target goes ("B + im").
inline constexpr Bilingual jumpTo{"jump to %s", "%s へジャンプ"};
inline constexpr Bilingual jumpIfNoCarry{"jump to %s if the carry is clear",
                                         "キャリーが 0 なら %s へジャンプ"};
inline constexpr Bilingual panelHeading{"The panel", "パネル"};
inline constexpr Bilingual keyboardHeading{"The keyboard", "キーボード"};

// Each example of examples/, by the name of its files, in the order the menu lists them.
struct Example {
    std::string_view name;
    Bilingual title;
    Bilingual teaches;
};
inline constexpr Example exampleList[] = {
    {"count",
     {"Counting", "数を数える"},
     {"Register B counts up and the lamps show the count in binary.",
      "レジスタ B で数を数え、その数をランプに 2 進数で表示します。"}},
    {"add",
     {"Adding to the input", "入力に足す"},
     {"The lamps show the input switches plus 3, as you change them.",
      "入力スイッチの値に 3 を足して、ランプに表示します。スイッチを変えるとすぐ変わります。"}},
    {"carry",
     {"The carry", "キャリー"},
     {"A sum past 15 sets the carry, and a conditional jump tests it.",
      "和が 15 を超えるとキャリーが 1 になり、条件付きジャンプでそれを調べます。"}},
    {"light",
     {"A running light", "流れる光"},
     {"OUT = n lights one lamp after another.", "OUT = n で、ランプを 1 つずつ順に点けます。"}},
    {"beep",
     {"A beep", "ビープ音"},
     {"Output bit 3 sounds the beeper while Beep is on: turn on your sound.",
      "Beep がオンのとき、出力のビット 3 でブザーが鳴ります。音が出るようにしてください。"}},
    {"wait",
     {"Waiting for an input", "入力を待つ"},
     {"A loop waits until an input switch is on, then shows the input.",
      "入力スイッチのどれかがオンになるまでループで待ち、その入力を表示します。"}},
};

// What each part of the panel is, by the panel's own names for it.
struct PanelPart {
    std::string_view name;
    Bilingual text;
};
inline constexpr PanelPart panelParts[] = {
    {"Program Memory",
     {"16 rows of eight switches, one word each, from Address 00 at the top; bit 7 (D7) is on the left.",
      "8 個ずつのスイッチが 16 行あり、1 行が 1 ワードです。いちばん上が 0 番地（Address 00）で、ビット 7"
      "（D7）が左端です。"}},
    {"Address 00-15",
     {"The red address is the word the program counter points at, which runs next.",
      "赤い番地は、プログラムカウンタが指している、次に実行されるワードです。"}},
    {"RegistorA, RegistorB", {"Registers A and B, in binary.", "レジスタ A と B の値（2 進数）です。"}},
    {"C Flag",
     {"The carry: 1 when the last instruction's sum passed 15.",
      "キャリーです。直前の命令の和が 15 を超えたとき 1 になります。"}},
    {"ProgramCounter", {"PC, the address of the next instruction.", "PC、次に実行する命令の番地です。"}},
    {"OUTP",
     {"The four output lamps show OUT, which only an OUT instruction changes.",
      "4 つの出力ランプで OUT を表示します。OUT を変えるのは OUT 命令だけです。"}},
    {"INP",
     {"The four input switches are IN, which an instruction can add to its number.",
      "4 つの入力スイッチが IN です。命令は IN を自分の数に足せます。"}},
    {"Beep",
     {"With Beep on, the panel beeps after each instruction while output bit 3 is high.",
      "Beep がオンのとき、出力のビット 3 が 1 の間、命令のたびにブザーが鳴ります。"}},
    {"Clock Generator",
     {"1Hz and 10Hz run the program; with Manual, each press of Clock runs one instruction.",
      "1Hz と 10Hz でプログラムが動きます。Manual では、Clock を押すたびに命令を 1 つ実行します。"}},
    {"Reset",
     {"Clears A, B, OUT, the carry and the program counter; the switches stay as they are.",
      "A、B、OUT、キャリー、プログラムカウンタを 0 に戻します。スイッチはそのままです。"}},
};

// The keyboard, one line a key or two.
inline constexpr Bilingual keys[] = {
    {"Tab moves to the next control and Shift+Tab to the one before: on the panel, the program switches row "
     "by row from Address 00, then Reset, the clock options, Clock, the input switches and Beep.",
     "Tab で次のコントロールへ、Shift+Tab で前へ移ります。パネルでは、0 番地からプログラムのスイッチを 1 行"
     "ずつ進み、Reset、クロックの選択、Clock、入力スイッチ、Beep の順です。"},
    {"Space turns the switch in focus on or off, or presses the button in focus.",
     "Space で、フォーカスのあるスイッチをオンとオフで切り替えます。ボタンなら押します。"},
    {"In the clock options, the arrow keys choose 1Hz, 10Hz or Manual; Tab stops only at the one selected.",
     "クロックの選択では、矢印キーで 1Hz、10Hz、Manual を選びます。Tab は選ばれているものにだけ止まります。"},
    {"In the Program pane, type a statement and press Enter to set its row's switches; Escape puts the row's "
     "statement back.",
     "プログラム欄で命令を入力して Enter を押すと、その行のスイッチが設定されます。Escape で元の命令に戻り"
     "ます。"},
    {"Escape closes this help and the menus.", "Escape で、このヘルプとメニューを閉じます。"},
};
}  // namespace welcome

}  // namespace qzb::catalogue
