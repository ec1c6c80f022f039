// SPDX-License-Identifier: MIT
#include "front_panel/page_json.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/instruction_table.h"
#include "common/json.h"
#include "front_panel/catalogue.h"
#include "front_panel/panel_layout.h"
#include "front_panel/panel_view.h"
#include "front_panel/readouts.h"

namespace qzb {
namespace {

using namespace layout;

// Writes JSON in order; the commas between members and elements come by themselves.
class JsonWriter {
public:
    JsonWriter& begin(char bracket) {
        separate();
        text_ += bracket;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& end(char bracket) {
        text_ += bracket;
        first_.pop_back();
        return *this;
    }
    JsonWriter& key(std::string_view name) {
        separate();
        string(name);
        text_ += ':';
        afterKey_ = true;
        return *this;
    }
    JsonWriter& value(std::string_view text) {
        separate();
        string(text);
        return *this;
    }
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(int number) {
        separate();
        text_ += std::to_string(number);
        return *this;
    }
    JsonWriter& value(bool truth) {
        separate();
        text_ += truth ? "true" : "false";
        return *this;
    }
    JsonWriter& null() {
        separate();
        text_ += "null";
        return *this;
    }
    template <typename Items>
    JsonWriter& array(const Items& items) {
        begin('[');
        for (const auto& item : items) value(item);
        return end(']');
    }
    std::string take() { return std::move(text_); }

private:
    void separate() {
        if (std::exchange(afterKey_, false) || first_.empty()) return;
        if (!first_.back()) text_ += ',';
        first_.back() = false;
    }
    void string(std::string_view text) { text_ += jsonString(text); }

    std::string text_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

// One member of an object of the page's JSON: its key, its TypeScript type, and how
// its value is written. The JSON and the TypeScript types come from the same tables.
template <typename Item>
struct Member {
    std::string_view key;
    std::string_view type;
    void (*write)(JsonWriter&, const Item&);
};

template <typename Item, std::size_t Count>
using Members = std::array<Member<Item>, Count>;

template <typename Item, std::size_t Count>
void writeObject(JsonWriter& json, const Item& item, const Members<Item, Count>& members) {
    json.begin('{');
    for (const Member<Item>& member : members) {
        json.key(member.key);
        member.write(json, item);
    }
    json.end('}');
}

template <typename Item, std::size_t Count>
std::string objectType(const Members<Item, Count>& members) {
    std::string type = "{\n";
    for (const Member<Item>& member : members)
        type += "  " + std::string(member.key) + ": " + std::string(member.type) + ";\n";
    return type + "}";
}

// A name and the number C++ gives it, for the enumerations the page shares.
struct Named {
    std::string_view name;
    int value = 0;
};

constexpr Named kinds[] = {{"label", int(Kind::Label)},
                           {"checkbox", int(Kind::CheckBox)},
                           {"option", int(Kind::OptionButton)},
                           {"button", int(Kind::PushButton)},
                           {"frame", int(Kind::GroupFrame)}};
constexpr Named readouts[] = {{"A", int(Readout::A)},
                              {"B", int(Readout::B)},
                              {"PC", int(Readout::PC)},
                              {"carry", int(Readout::Carry)},
                              {"OUT", int(Readout::Out)}};
constexpr Named clockOptions[] = {{"Hz1", int(ClockOption::Hz1)},
                                  {"Hz10", int(ClockOption::Hz10)},
                                  {"Manual", int(ClockOption::Manual)},
                                  {"None", int(ClockOption::None)}};
constexpr Named switchStates[] = {
    {"Off", int(SwitchState::Off)}, {"On", int(SwitchState::On)}, {"Greyed", int(SwitchState::Greyed)}};

std::string_view nameOf(std::span<const Named> names, int value) {
    for (const Named& named : names) {
        if (named.value == value) return named.name;
    }
    return names.front().name;
}

// 'a' | 'b' | ...
std::string literals(std::span<const Named> names) {
    std::string type;
    for (const Named& named : names) type += (type.empty() ? "'" : " | '") + std::string(named.name) + "'";
    return type;
}

std::string literalsOf(std::span<const std::string_view> names) {
    std::string type;
    for (const std::string_view name : names) type += (type.empty() ? "'" : " | '") + std::string(name) + "'";
    return type;
}

std::string constEnum(std::string_view name, std::span<const Named> names) {
    std::string type = "export declare const enum " + std::string(name) + " {";
    for (const Named& named : names)
        type += ' ' + std::string(named.name) + " = " + std::to_string(named.value) + ',';
    return type + " }\n";
}

// What each role carries besides its name.
const Members<Role, 6> roleParameters{{
    {"address", "number", [](JsonWriter& json, const Role& role) { json.value(role.address); }},
    {"bit", "number", [](JsonWriter& json, const Role& role) { json.value(role.bit); }},
    // Where the view holds what the control shows: a switch's state in "switches" (also the
    // switch a click toggles), a readout's text in "readouts".
    {"place", "number",
     [](JsonWriter& json, const Role& role) {
         const auto which = switchOf(role);
         json.value(which ? viewSwitchIndex(*which) : static_cast<int>(role.readout));
     }},
    // The bit of the view's changes that marks what the control shows.
    {"change", "number",
     [](JsonWriter& json, const Role& role) {
         const auto which = switchOf(role);
         json.value(static_cast<int>(which ? viewChange::of(*which)
                                           : viewChange::firstReadout << static_cast<int>(role.readout)));
     }},
    {"option", "ClockOption", [](JsonWriter& json, const Role& role) { json.value(int(role.option)); }},
    {"readout", "ReadoutName",
     [](JsonWriter& json, const Role& role) { json.value(nameOf(readouts, int(role.readout))); }},
}};

struct RoleKind {
    Role::Is is;
    std::string_view name;
    std::vector<std::string_view> parameters;
};

const std::vector<RoleKind>& roleKinds() {
    static const std::vector<RoleKind> table = {
        {Role::ProgramSwitch, "programSwitch", {"address", "bit", "place", "change"}},
        {Role::InputSwitch, "inputSwitch", {"bit", "place", "change"}},
        {Role::Beep, "beep", {"place", "change"}},
        {Role::ClockOption, "clockOption", {"option"}},
        {Role::ClockButton, "clockButton", {}},
        {Role::ResetButton, "resetButton", {}},
        {Role::Readout, "readout", {"readout", "place", "change"}},
        {Role::AddressLabel, "addressLabel", {"address"}},
        {Role::Caption, "caption", {}},
        {Role::Frame, "frame", {}},
        {Role::Connector, "connector", {}},
    };
    return table;
}

const Member<Role>& roleParameter(std::string_view key) {
    return *std::find_if(roleParameters.begin(), roleParameters.end(),
                         [&](const Member<Role>& member) { return member.key == key; });
}

void writeRole(JsonWriter& json, const Role& role) {
    const RoleKind& kind = *std::find_if(roleKinds().begin(), roleKinds().end(),
                                         [&](const RoleKind& each) { return each.is == role.is; });
    json.begin('{').key("is").value(kind.name);
    for (const std::string_view key : kind.parameters) {
        json.key(key);
        roleParameter(key).write(json, role);
    }
    json.end('}');
}

std::string roleType() {
    std::string type;
    for (const RoleKind& kind : roleKinds()) {
        type += "\n  | { is: '" + std::string(kind.name) + "';";
        for (const std::string_view key : kind.parameters)
            type += ' ' + std::string(key) + ": " + std::string(roleParameter(key).type) + ';';
        type += " }";
    }
    return type;
}

void writeRgb(JsonWriter& json, const Rgb& colour) {
    json.begin('[').value(int{colour.red}).value(int{colour.green}).value(int{colour.blue}).end(']');
}

const Members<Control, 13> controlMembers{{
    {"name", "string", [](JsonWriter& json, const Control& c) { json.value(c.name); }},
    {"kind", "Kind", [](JsonWriter& json, const Control& c) { json.value(nameOf(kinds, int(c.kind))); }},
    {"text", "string", [](JsonWriter& json, const Control& c) { json.value(c.text); }},
    // In the parent's coordinates.
    {"rect", "[number, number, number, number]",
     [](JsonWriter& json, const Control& c) {
         json.begin('[').value(c.rect.x).value(c.rect.y).value(c.rect.width).value(c.rect.height).end(']');
     }},
    {"parent", "string", [](JsonWriter& json, const Control& c) { json.value(c.parent); }},
    {"align", "'left' | 'centre'",
     [](JsonWriter& json, const Control& c) { json.value(c.align == Align::Centre ? "centre" : "left"); }},
    {"accessibleName", "string", [](JsonWriter& json, const Control& c) { json.value(c.accessibleName); }},
    // For a caption: the readout it names.
    {"labels", "string", [](JsonWriter& json, const Control& c) { json.value(c.labels); }},
    {"fontFace", "string", [](JsonWriter& json, const Control& c) { json.value(c.fontFace); }},
    {"fontPoints", "number", [](JsonWriter& json, const Control& c) { json.value(c.fontPoints); }},
    {"colour", "Rgb | null",
     [](JsonWriter& json, const Control& c) {
         if (c.coloured) {
             writeRgb(json, c.colour);
         } else {
             json.null();
         }
     }},
    {"opaque", "boolean", [](JsonWriter& json, const Control& c) { json.value(c.opaque); }},
    {"role", "Role", [](JsonWriter& json, const Control& c) { writeRole(json, c.role); }},
}};

const Members<Line, 3> lineMembers{{
    {"name", "string", [](JsonWriter& json, const Line& line) { json.value(line.name); }},
    {"from", "[number, number]",
     [](JsonWriter& json, const Line& line) { json.begin('[').value(line.x1).value(line.y1).end(']'); }},
    {"to", "[number, number]",
     [](JsonWriter& json, const Line& line) { json.begin('[').value(line.x2).value(line.y2).end(']'); }},
}};

const Members<Menu, 2> menuMembers{{
    {"name", "string", [](JsonWriter& json, const Menu& menu) { json.value(menu.name); }},
    // None: a command on the menu bar itself.
    {"items", "string[]", [](JsonWriter& json, const Menu& menu) { json.array(menu.items); }},
}};

const Members<ExampleFiles, 3> exampleFileMembers{{
    {"name", "string", [](JsonWriter& json, const ExampleFiles& files) { json.value(files.name); }},
    {"setting", "string", [](JsonWriter& json, const ExampleFiles& files) { json.value(files.setting); }},
    {"tests", "string | null",
     [](JsonWriter& json, const ExampleFiles& files) {
         if (files.tests) {
             json.value(*files.tests);
         } else {
             json.null();
         }
     }},
}};

// The page shows its own texts in either language; the rest of the JSON is the same in both.
enum class Language { English, Japanese };

std::string_view in(Language language, const catalogue::Bilingual& text) {
    return language == Language::Japanese ? text.japanese : text.english;
}

namespace page = catalogue::page;
constexpr NamedText pageTexts[] = {{"description", page::description},
                                   {"needsScripts", page::needsScripts},
                                   {"servedOnly", page::servedOnly},
                                   {"menuBar", page::menuBar},
                                   {"ended", page::ended},
                                   {"startAgain", page::startAgain},
                                   {"copyLink", page::copyLink},
                                   {"linkCopied", page::linkCopied},
                                   {"linkInAddressBar", page::linkInAddressBar},
                                   {"assembly", page::assembly},
                                   {"assemblySource", page::assemblySource},
                                   {"assemble", page::assemble},
                                   {"disassemble", page::disassemble},
                                   {"assembled", page::assembled},
                                   {"assemblyErrors", page::assemblyErrors},
                                   {"ok", page::ok},
                                   {"save", page::save},
                                   {"cancel", page::cancel},
                                   {"fileName", page::fileName},
                                   {"suggestedFileName", page::suggestedFileName},
                                   {"errorIcon", page::errorIcon},
                                   {"informationIcon", page::informationIcon},
                                   {"programPane", page::programPane},
                                   {"addressColumn", page::addressColumn},
                                   {"switchesColumn", page::switchesColumn},
                                   {"statementColumn", page::statementColumn},
                                   {"breakpointColumn", page::breakpointColumn},
                                   {"breakpointAt", page::breakpointAt},
                                   {"statementAt", page::statementAt},
                                   {"rowBit", page::rowBit},
                                   {"historyPane", page::historyPane},
                                   {"stepBack", page::stepBack},
                                   {"lastStep", page::lastStep},
                                   {"datapathPane", page::datapathPane},
                                   {"operation", page::operation},
                                   {"noStep", page::noStep},
                                   {"timingPane", page::timingPane},
                                   {"downloadSvg", page::downloadSvg},
                                   {"timingFileName", page::timingFileName}};

namespace classroom = catalogue::classroom;
constexpr NamedText classroomTexts[] = {{"exercise", classroom::exercise},
                                        {"openExercise", classroom::openExercise},
                                        {"testFileFilter", classroom::testFileFilter},
                                        {"noExercise", classroom::noExercise},
                                        {"check", classroom::check},
                                        {"results", classroom::results},
                                        {"testFileLines", classroom::testFileLines},
                                        {"copyExerciseLink", classroom::copyExerciseLink},
                                        {"withPanel", classroom::withPanel},
                                        {"exerciseLinkCopied", classroom::exerciseLinkCopied},
                                        {"gradeClass", classroom::gradeClass},
                                        {"testFile", classroom::testFile},
                                        {"submissions", classroom::submissions},
                                        {"submissionFolder", classroom::submissionFolder},
                                        {"program", classroom::program},
                                        {"downloadCsv", classroom::downloadCsv},
                                        {"gradingProgress", classroom::gradingProgress},
                                        {"stop", classroom::stop},
                                        {"gradingStopped", classroom::gradingStopped},
                                        {"gradingFailed", classroom::gradingFailed},
                                        {"csvFileName", classroom::csvFileName},
                                        {"downloadGrades", classroom::downloadGrades},
                                        {"gradesFileName", classroom::gradesFileName},
                                        {"pointsColumn", classroom::pointsColumn}};

namespace welcome = catalogue::welcome;
constexpr NamedText welcomeTexts[] = {{"title", welcome::title},
                                      {"intro", welcome::intro},
                                      {"examples", welcome::examples},
                                      {"help", welcome::help},
                                      {"language", welcome::language},
                                      {"english", welcome::english},
                                      {"japanese", welcome::japanese},
                                      {"helpTitle", welcome::helpTitle},
                                      {"close", welcome::close},
                                      {"instructionsHeading", welcome::instructionsHeading},
                                      {"instructionsIntro", welcome::instructionsIntro},
                                      {"bitsColumn", welcome::bitsColumn},
                                      {"effectColumn", welcome::effectColumn},
                                      {"panelHeading", welcome::panelHeading},
                                      {"keyboardHeading", welcome::keyboardHeading}};

void writeNamedTexts(JsonWriter& json, std::span<const NamedText> texts, Language language) {
    json.begin('{');
    for (const NamedText& text : texts) json.key(text.key).value(in(language, text.text));
    json.end('}');
}

std::string namedTextsType(std::span<const NamedText> texts) {
    std::string type = "{\n";
    for (const NamedText& text : texts) type += "  " + std::string(text.key) + ": string;\n";
    return type + "}";
}

// The help's table of instructions, from the table the assembler and the disassembler share:
// bits 7-4, the statement with n for its number, and what it does with im.
struct InstructionRow {
    std::string bits;
    std::string statement;
    std::string effect;
};

std::vector<InstructionRow> instructionRows(Language language) {
    std::vector<InstructionRow> rows;
    for (std::size_t code = 0; code < instructionForms.size(); ++code) {
        const InstructionForm& form = instructionForms[code];
        const auto operand = [&](std::string_view number) {
            const std::string_view source = sourceName(form.source);
            return source.empty() ? std::string(number) : std::string(source) + " + " + std::string(number);
        };
        InstructionRow& row = rows.emplace_back();
        for (int bit = 3; bit >= 0; --bit) row.bits += (code >> bit) & 1 ? '1' : '0';
        if (form.destination == Destination::Pc) {
            row.statement = std::string(form.mnemonic) + ' ' + operand("n");
            const catalogue::Bilingual& jump =
                form.jump == Jump::IfNoCarry ? welcome::jumpIfNoCarry : welcome::jumpTo;
            row.effect = catalogue::withReason(in(language, jump), operand("im"));
        } else {
            const std::string prefix = form.alternative ? std::string(alternativePrefix) + ' ' : "";
            row.statement = prefix + std::string(form.mnemonic) + " = " + operand("n");
            row.effect = std::string(form.mnemonic) + " = " + operand("im");
        }
    }
    return rows;
}

const Members<InstructionRow, 3> instructionMembers{{
    {"bits", "string", [](JsonWriter& json, const InstructionRow& row) { json.value(row.bits); }},
    {"statement", "string", [](JsonWriter& json, const InstructionRow& row) { json.value(row.statement); }},
    {"effect", "string", [](JsonWriter& json, const InstructionRow& row) { json.value(row.effect); }},
}};

template <typename Item>
struct InLanguage {
    const Item& item;
    Language language;
};

const Members<InLanguage<welcome::Example>, 3> exampleMembers{{
    {"name", "string",
     [](JsonWriter& json, const InLanguage<welcome::Example>& e) { json.value(e.item.name); }},
    {"title", "string",
     [](JsonWriter& json, const InLanguage<welcome::Example>& e) {
         json.value(in(e.language, e.item.title));
     }},
    {"teaches", "string",
     [](JsonWriter& json, const InLanguage<welcome::Example>& e) {
         json.value(in(e.language, e.item.teaches));
     }},
}};

const Members<InLanguage<welcome::PanelPart>, 2> panelPartMembers{{
    {"name", "string",
     [](JsonWriter& json, const InLanguage<welcome::PanelPart>& p) { json.value(p.item.name); }},
    {"text", "string",
     [](JsonWriter& json, const InLanguage<welcome::PanelPart>& p) {
         json.value(in(p.language, p.item.text));
     }},
}};

template <typename Item, std::size_t Count, std::size_t Members>
void writeInLanguage(JsonWriter& json, const Item (&items)[Count], Language language,
                     const qzb::Members<InLanguage<Item>, Members>& members) {
    json.begin('[');
    for (const Item& item : items) writeObject(json, InLanguage<Item>{item, language}, members);
    json.end(']');
}

// What the page shows in the language chosen.
const Members<Language, 7> wordsMembers{{
    {"page", "PageTexts", [](JsonWriter& json, const Language& l) { writeNamedTexts(json, pageTexts, l); }},
    {"classroom", "ClassroomTexts",
     [](JsonWriter& json, const Language& l) { writeNamedTexts(json, classroomTexts, l); }},
    {"welcome", "WelcomeTexts",
     [](JsonWriter& json, const Language& l) { writeNamedTexts(json, welcomeTexts, l); }},
    {"examples", "Example[]",
     [](JsonWriter& json, const Language& l) {
         writeInLanguage(json, welcome::exampleList, l, exampleMembers);
     }},
    {"instructions", "Instruction[]",
     [](JsonWriter& json, const Language& l) {
         json.begin('[');
         for (const InstructionRow& row : instructionRows(l)) writeObject(json, row, instructionMembers);
         json.end(']');
     }},
    {"panelParts", "PanelPart[]",
     [](JsonWriter& json, const Language& l) {
         writeInLanguage(json, welcome::panelParts, l, panelPartMembers);
     }},
    {"keys", "string[]",
     [](JsonWriter& json, const Language& l) {
         json.begin('[');
         for (const catalogue::Bilingual& key : welcome::keys) json.value(in(l, key));
         json.end(']');
     }},
}};

// Each file command's message by outcome.
void writeFileCommands(JsonWriter& json) {
    json.begin('{');
    for (const auto& [command, name] :
         {std::pair{catalogue::FileCommand::Load, "Load"}, {catalogue::FileCommand::SaveAs, "SaveAs"}}) {
        json.key(name).begin('{');
        json.key("refused").value(*catalogue::fileCommandMessage(command, FileCommandResult::Refused));
        json.key("cannotOpen").value(*catalogue::fileCommandMessage(command, FileCommandResult::CannotOpen));
        json.end('}');
    }
    json.end('}');
}

struct Catalogue {};

// The panel's texts, the same in either language.
const Members<Catalogue, 8> textMembers{{
    {"windowTitle", "string", [](JsonWriter& json, const Catalogue&) { json.value(catalogue::windowTitle); }},
    {"messageCaption", "string",
     [](JsonWriter& json, const Catalogue&) { json.value(catalogue::messageCaption); }},
    {"about", "string", [](JsonWriter& json, const Catalogue&) { json.value(catalogue::aboutText()); }},
    {"openDialogTitle", "string", [](JsonWriter& json, const Catalogue&) { json.value(openDialogTitle); }},
    {"saveDialogTitle", "string", [](JsonWriter& json, const Catalogue&) { json.value(saveDialogTitle); }},
    {"fileFilter", "string", [](JsonWriter& json, const Catalogue&) { json.value(settingFileFilter); }},
    {"fileCommands", "Record<'Load' | 'SaveAs', { refused: string; cannotOpen: string }>",
     [](JsonWriter& json, const Catalogue&) { writeFileCommands(json); }},
    // What the refresh writes in each address label.
    {"addressLabels", "string[]",
     [](JsonWriter& json, const Catalogue&) {
         json.begin('[');
         for (int row = 0; row < 16; ++row) json.value(addressText(row));
         json.end(']');
     }},
}};

// The panel's texts and the page's in English, at the top (where the build fills index.html from),
// and the page's in Japanese under "japanese".
void writeTexts(JsonWriter& json) {
    json.begin('{');
    for (const Member<Catalogue>& member : textMembers) {
        json.key(member.key);
        member.write(json, {});
    }
    for (const Member<Language>& member : wordsMembers) {
        json.key(member.key);
        member.write(json, Language::English);
    }
    json.key("japanese");
    writeObject(json, Language::Japanese, wordsMembers);
    json.end('}');
}

const Members<Catalogue, 5> styleMembers{{
    {"lampOn", "string", [](JsonWriter& json, const Catalogue&) { json.value(catalogue::lampOn); }},
    {"lampOff", "string", [](JsonWriter& json, const Catalogue&) { json.value(catalogue::lampOff); }},
    {"black", "Rgb", [](JsonWriter& json, const Catalogue&) { writeRgb(json, catalogue::black); }},
    {"red", "Rgb", [](JsonWriter& json, const Catalogue&) { writeRgb(json, catalogue::red); }},
    {"lampFont", "{ face: string; fallbacks: string[]; points: number }",
     [](JsonWriter& json, const Catalogue&) {
         json.begin('{').key("face").value(catalogue::lampFace);
         json.key("fallbacks").array(catalogue::lampFallbacks).key("points").value(catalogue::lampPoints);
         json.end('}');
     }},
}};

// Where each field of a PanelView lies, so that the page reads it without knowing C++'s layout.
void writeViewFields(JsonWriter& json) {
    json.begin('{');
    for (const ViewField& field : viewFields()) {
        json.key(field.name).begin('{');
        json.key("offset")
            .value(static_cast<int>(field.offset))
            .key("size")
            .value(static_cast<int>(field.size));
        json.key("count").value(static_cast<int>(field.count)).end('}');
    }
    json.end('}');
}

// The names of the view's fields of numbers, or of texts.
std::string viewFieldNames(bool texts) {
    std::string type;
    for (const ViewField& field : viewFields()) {
        if (field.text == texts) type += (type.empty() ? "'" : " | '") + std::string(field.name) + "'";
    }
    return type;
}

const Members<Catalogue, 8> changeMembers{{
    {"words", "number[]",
     [](JsonWriter& json, const Catalogue&) {
         json.begin('[');
         for (int address = 0; address < 16; ++address)
             json.value(static_cast<int>(viewChange::firstWord << address));
         json.end(']');
     }},
    {"input", "number", [](JsonWriter& json, const Catalogue&) { json.value(int{viewChange::input}); }},
    {"beepSwitch", "number",
     [](JsonWriter& json, const Catalogue&) { json.value(int{viewChange::beepSwitch}); }},
    {"clock", "number", [](JsonWriter& json, const Catalogue&) { json.value(int{viewChange::clock}); }},
    {"readouts", "Record<ReadoutName, number>",
     [](JsonWriter& json, const Catalogue&) {
         json.begin('{');
         for (const Named& readout : readouts)
             json.key(readout.name).value(static_cast<int>(viewChange::firstReadout << readout.value));
         json.end('}');
     }},
    {"redRow", "number", [](JsonWriter& json, const Catalogue&) { json.value(int{viewChange::redRow}); }},
    {"history", "number", [](JsonWriter& json, const Catalogue&) { json.value(int{viewChange::history}); }},
    {"historyAfresh", "number",
     [](JsonWriter& json, const Catalogue&) { json.value(int{viewChange::historyAfresh}); }},
}};

const Members<Catalogue, 3> viewMembers{{
    {"size", "number", [](JsonWriter& json, const Catalogue&) { json.value(int{sizeof(PanelView)}); }},
    {"fields", "ViewFields", [](JsonWriter& json, const Catalogue&) { writeViewFields(json); }},
    {"changes", "Changes", [](JsonWriter& json, const Catalogue&) { writeObject(json, {}, changeMembers); }},
}};

const Members<HistoryRows, 3> historyMembers{{
    {"header", "string", [](JsonWriter& json, const HistoryRows& history) { json.value(history.header); }},
    {"rows", "string[]", [](JsonWriter& json, const HistoryRows& history) { json.array(history.rows); }},
    {"lastStep", "string",
     [](JsonWriter& json, const HistoryRows& history) { json.value(history.lastStep); }},
}};

const Members<DatapathPart, 4> datapathPartMembers{{
    {"part", "DatapathPartName", [](JsonWriter& json, const DatapathPart& part) { json.value(part.part); }},
    {"value", "string", [](JsonWriter& json, const DatapathPart& part) { json.value(part.value); }},
    {"active", "boolean", [](JsonWriter& json, const DatapathPart& part) { json.value(part.active); }},
    {"title", "string", [](JsonWriter& json, const DatapathPart& part) { json.value(part.title); }},
}};

const Members<DatapathWire, 3> datapathWireMembers{{
    {"wire", "string", [](JsonWriter& json, const DatapathWire& wire) { json.value(wire.wire); }},
    {"value", "string", [](JsonWriter& json, const DatapathWire& wire) { json.value(wire.value); }},
    {"active", "boolean", [](JsonWriter& json, const DatapathWire& wire) { json.value(wire.active); }},
}};

template <typename Item, typename Items, std::size_t Count>
void writeList(JsonWriter& json, const Items& items, const Members<Item, Count>& members);

const Members<Datapath, 7> datapathMembers{{
    {"name", "string", [](JsonWriter& json, const Datapath& picture) { json.value(picture.name); }},
    {"address", "string", [](JsonWriter& json, const Datapath& picture) { json.value(picture.address); }},
    {"operation", "string", [](JsonWriter& json, const Datapath& picture) { json.value(picture.operation); }},
    {"statement", "string", [](JsonWriter& json, const Datapath& picture) { json.value(picture.statement); }},
    {"jump", "string", [](JsonWriter& json, const Datapath& picture) { json.value(picture.jump); }},
    {"parts", "DatapathPart[]",
     [](JsonWriter& json, const Datapath& picture) { writeList(json, picture.parts, datapathPartMembers); }},
    {"wires", "DatapathWire[]",
     [](JsonWriter& json, const Datapath& picture) { writeList(json, picture.wires, datapathWireMembers); }},
}};

const Members<TimingColumns, 7> timingMembers{{
    {"title", "string", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.title); }},
    {"width", "number", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.width); }},
    {"height", "number", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.height); }},
    {"labels", "number", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.labels); }},
    {"column", "number", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.column); }},
    {"lanes", "string", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.lanes); }},
    {"columns", "string", [](JsonWriter& json, const TimingColumns& timing) { json.value(timing.columns); }},
}};

template <typename Item, typename Items, std::size_t Count>
void writeList(JsonWriter& json, const Items& items, const Members<Item, Count>& members) {
    json.begin('[');
    for (const Item& item : items) writeObject(json, item, members);
    json.end(']');
}

const Members<Catalogue, 9> pageMembers{{
    {"title", "string", [](JsonWriter& json, const Catalogue&) { json.value(catalogue::windowTitle); }},
    {"client", "[number, number]",
     [](JsonWriter& json, const Catalogue&) {
         json.begin('[').value(clientWidth).value(clientHeight).end(']');
     }},
    {"controls", "Control[]",
     [](JsonWriter& json, const Catalogue&) { writeList(json, controls(), controlMembers); }},
    // Drawn on the background beneath the controls.
    {"lines", "Line[]",
     [](JsonWriter& json, const Catalogue&) { writeList(json, connector(), lineMembers); }},
    {"menus", "Menu[]", [](JsonWriter& json, const Catalogue&) { writeList(json, menus(), menuMembers); }},
    {"tabOrder", "string[]", [](JsonWriter& json, const Catalogue&) { json.array(tabOrder()); }},
    {"texts", "Texts", [](JsonWriter& json, const Catalogue&) { writeTexts(json); }},
    {"styles", "Styles", [](JsonWriter& json, const Catalogue&) { writeObject(json, {}, styleMembers); }},
    {"view", "ViewLayout", [](JsonWriter& json, const Catalogue&) { writeObject(json, {}, viewMembers); }},
}};

}  // namespace

std::string pageJson() {
    JsonWriter json;
    writeObject(json, Catalogue{}, pageMembers);
    return json.take();
}

std::vector<std::pair<std::string, catalogue::Bilingual>> bilingualTexts() {
    std::vector<std::pair<std::string, catalogue::Bilingual>> texts;
    for (const auto& [table, named] : {std::pair{"page.", std::span<const NamedText>(pageTexts)},
                                       {"classroom.", classroomTexts},
                                       {"welcome.", welcomeTexts}}) {
        for (const NamedText& text : named) texts.emplace_back(table + std::string(text.key), text.text);
    }
    texts.emplace_back("jumpTo", welcome::jumpTo);
    texts.emplace_back("jumpIfNoCarry", welcome::jumpIfNoCarry);
    for (const welcome::Example& example : welcome::exampleList) {
        texts.emplace_back("examples." + std::string(example.name) + ".title", example.title);
        texts.emplace_back("examples." + std::string(example.name) + ".teaches", example.teaches);
    }
    for (const welcome::PanelPart& part : welcome::panelParts)
        texts.emplace_back("panelParts." + std::string(part.name), part.text);
    for (std::size_t key = 0; key < std::size(welcome::keys); ++key)
        texts.emplace_back("keys." + std::to_string(key), welcome::keys[key]);
    return texts;
}

std::string examplesJson(const std::vector<ExampleFiles>& examples) {
    JsonWriter json;
    writeList(json, examples, exampleFileMembers);
    return json.take();
}

std::string historyJson(const HistoryRows& history) {
    JsonWriter json;
    writeObject(json, history, historyMembers);
    return json.take();
}

std::string datapathJson(const Datapath& picture) {
    JsonWriter json;
    writeObject(json, picture, datapathMembers);
    return json.take();
}

std::string timingColumnsJson(const TimingColumns& timing) {
    JsonWriter json;
    writeObject(json, timing, timingMembers);
    return json.take();
}

std::string pageTypes() {
    std::string types =
        "// The page's JSON as src/front_panel/page_json.cpp writes it, generated at build time by\n"
        "// qzb_print_page_json --types from the same tables: do not edit.\n";
    types += constEnum("ClockOption", clockOptions) + constEnum("SwitchState", switchStates);
    const std::pair<std::string_view, std::string> named[] = {
        {"Kind", literals(kinds)},
        {"ReadoutName", literals(readouts)},
        {"Rgb", "[number, number, number]"},
        {"Role", roleType()},
        {"Control", objectType(controlMembers)},
        {"Line", objectType(lineMembers)},
        {"Menu", objectType(menuMembers)},
        {"PageTexts", namedTextsType(pageTexts)},
        {"ClassroomTexts", namedTextsType(classroomTexts)},
        {"WelcomeTexts", namedTextsType(welcomeTexts)},
        {"Example", objectType(exampleMembers)},
        {"Instruction", objectType(instructionMembers)},
        {"PanelPart", objectType(panelPartMembers)},
        {"Words", objectType(wordsMembers)},
        {"Texts", objectType(textMembers) + " & Words & { japanese: Words }"},
        {"ExampleFiles", objectType(exampleFileMembers)},
        {"Styles", objectType(styleMembers)},
        // Where a field of the view lies: `count` elements of `size` bytes from `offset`, each a
        // number, or a text of a length byte followed by its UTF-8 bytes.
        {"ViewField", "{ offset: number; size: number; count: number }"},
        {"ViewNumberName", viewFieldNames(false)},
        {"ViewTextName", viewFieldNames(true)},
        {"ViewFields", "Record<ViewNumberName | ViewTextName, ViewField>"},
        {"Changes", objectType(changeMembers)},
        {"ViewLayout", objectType(viewMembers)},
        {"PageJson", objectType(pageMembers)},
        {"HistoryRows", objectType(historyMembers)},
        {"DatapathPartName", literalsOf(datapathParts)},
        {"DatapathPart", objectType(datapathPartMembers)},
        {"DatapathWire", objectType(datapathWireMembers)},
        {"Datapath", objectType(datapathMembers)},
        {"TimingColumns", objectType(timingMembers)},
    };
    for (const auto& [name, type] : named) types += "export type " + std::string(name) + " = " + type + ";\n";
    return types;
}

}  // namespace qzb
