// SPDX-License-Identifier: MIT
#include "front_panel/page_json.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

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
    JsonWriter& value(const Rgb& colour) {
        return begin('[').value(int{colour.red}).value(int{colour.green}).value(int{colour.blue}).end(']');
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

const char* readoutName(Readout readout) {
    switch (readout) {
        case Readout::A: return "A";
        case Readout::B: return "B";
        case Readout::PC: return "PC";
        case Readout::Carry: return "carry";
        case Readout::Out: return "OUT";
    }
    return "A";
}

void writeRole(JsonWriter& json, const Role& role) {
    static constexpr const char* names[] = {"programSwitch", "inputSwitch", "beep",     "clockOption",
                                            "clockButton",   "resetButton", "readout",  "addressLabel",
                                            "caption",       "frame",       "connector"};
    json.key("role").begin('{').key("is").value(names[role.is]);
    if (role.is == Role::ProgramSwitch || role.is == Role::AddressLabel)
        json.key("address").value(role.address);
    if (role.is == Role::ProgramSwitch || role.is == Role::InputSwitch) json.key("bit").value(role.bit);
    if (const auto which = switchOf(role))
        json.key("bank").value(static_cast<int>(which->bank)).key("index").value(which->index);
    if (role.is == Role::ClockOption) json.key("option").value(static_cast<int>(role.option));
    if (role.is == Role::Readout) json.key("readout").value(readoutName(role.readout));
    json.end('}');
}

void writeControl(JsonWriter& json, const Control& control) {
    json.begin('{').key("name").value(control.name).key("kind").value(kindName(control.kind));
    json.key("text").value(control.text);
    json.key("rect").begin('[');
    for (const int value : {control.rect.x, control.rect.y, control.rect.width, control.rect.height})
        json.value(value);
    json.end(']');
    json.key("parent").value(control.parent);
    json.key("align").value(control.align == Align::Centre ? "centre" : "left");
    json.key("accessibleName").value(control.accessibleName).key("labels").value(control.labels);
    json.key("fontFace").value(control.fontFace).key("fontPoints").value(control.fontPoints);
    if (control.coloured) json.key("colour").value(control.colour);
    json.key("opaque").value(control.opaque);
    writeRole(json, control.role);
    json.end('}');
}

void writeTexts(JsonWriter& json) {
    json.key("texts").begin('{');
    json.key("windowTitle").value(catalogue::windowTitle);
    json.key("messageCaption").value(catalogue::messageCaption);
    json.key("about").value(catalogue::aboutText());
    json.key("openDialogTitle").value(openDialogTitle).key("saveDialogTitle").value(saveDialogTitle);
    json.key("fileFilter").value(settingFileFilter);
    // Each command's message by outcome; an outcome without one is left out.
    json.key("fileCommands").begin('{');
    for (const auto& [command, name] :
         {std::pair{catalogue::FileCommand::Load, "Load"}, {catalogue::FileCommand::SaveAs, "SaveAs"}}) {
        json.key(name).begin('{');
        for (const auto& [result, outcome] : {std::pair{FileCommandResult::Refused, "refused"},
                                              {FileCommandResult::CannotOpen, "cannotOpen"}}) {
            if (const auto message = catalogue::fileCommandMessage(command, result))
                json.key(outcome).value(*message);
        }
        json.end('}');
    }
    json.end('}');
    // What the refresh writes in each address label.
    json.key("addressLabels").begin('[');
    for (int row = 0; row < 16; ++row) json.value(addressText(row));
    json.end(']');
    json.key("breakpointNames").begin('[');
    for (int row = 0; row < 16; ++row) json.value(catalogue::page::breakpointName(row));
    json.end(']');
    json.key("page").begin('{');
    namespace page = catalogue::page;
    for (const auto& [name, text] : {std::pair{"description", page::description},
                                     {"needsScripts", page::needsScripts},
                                     {"servedOnly", page::servedOnly},
                                     {"menuBar", page::menuBar},
                                     {"ended", page::ended},
                                     {"startAgain", page::startAgain},
                                     {"extras", page::extras},
                                     {"copyLink", page::copyLink},
                                     {"linkCopied", page::linkCopied},
                                     {"linkInAddressBar", page::linkInAddressBar},
                                     {"assembly", page::assembly},
                                     {"assemblySource", page::assemblySource},
                                     {"assemble", page::assemble},
                                     {"disassemble", page::disassemble},
                                     {"assembled", page::assembled},
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
                                     {"historyPane", page::historyPane},
                                     {"stepBack", page::stepBack},
                                     {"lastStep", page::lastStep}})
        json.key(name).value(text);
    json.end('}');
    json.key("classroom").begin('{');
    namespace classroom = catalogue::classroom;
    for (const auto& [name, text] : {std::pair{"exercise", classroom::exercise},
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
                                     {"readAsEmpty", classroom::readAsEmpty},
                                     {"gradingProgress", classroom::gradingProgress},
                                     {"stop", classroom::stop},
                                     {"gradingStopped", classroom::gradingStopped},
                                     {"gradingFailed", classroom::gradingFailed},
                                     {"csvFileName", classroom::csvFileName}})
        json.key(name).value(text);
    json.end('}').end('}');
}

// Where each field of a PanelView lies, so that the page reads it without knowing C++'s layout.
void writeView(JsonWriter& json) {
    const auto at = [](std::size_t offset) { return static_cast<int>(offset); };
    json.key("view").begin('{').key("size").value(at(sizeof(PanelView)));
    json.key("changed")
        .value(at(offsetof(PanelView, changed)))
        .key("beeps")
        .value(at(offsetof(PanelView, beeps)));
    json.key("redRow").value(at(offsetof(PanelView, redRow)));
    json.key("clockOption").value(at(offsetof(PanelView, clockOption)));
    json.key("tabStopOption").value(at(offsetof(PanelView, tabStopOption)));
    // By bank, as a switch's role numbers it: program, input, Beep.
    json.key("switches")
        .begin('[')
        .value(at(offsetof(PanelView, program)))
        .value(at(offsetof(PanelView, input)));
    json.value(at(offsetof(PanelView, beep))).end(']');
    json.key("readouts").begin('{');
    for (const Readout readout : {Readout::A, Readout::B, Readout::PC, Readout::Carry, Readout::Out}) {
        const std::size_t text =
            offsetof(PanelView, readouts) + static_cast<std::size_t>(readout) * sizeof(ViewText);
        json.key(readoutName(readout)).begin('{');
        json.key("length").value(at(text + offsetof(ViewText, length)));
        json.key("bytes").value(at(text + offsetof(ViewText, bytes)));
        json.key("changed").value(1 << static_cast<int>(readout)).end('}');
    }
    json.end('}');
    json.key("canStepBack").value(at(offsetof(PanelView, canStepBack)));
    json.key("history").begin('{').key("starts").value(at(offsetof(PanelView, historyStarts)));
    json.key("first").value(at(offsetof(PanelView, historyFirst)));
    json.key("last").value(at(offsetof(PanelView, historyLast))).end('}');
    json.key("changes").begin('{').key("redRow").value(int{PanelView::redRowChanged});
    json.key("switches")
        .value(int{PanelView::switchesChanged})
        .key("clock")
        .value(int{PanelView::clockChanged});
    json.key("history").value(int{PanelView::historyChanged});
    json.end('}').end('}');
}

void writeStyles(JsonWriter& json) {
    json.key("styles").begin('{');
    json.key("lampOn").value(catalogue::lampOn).key("lampOff").value(catalogue::lampOff);
    json.key("black").value(catalogue::black).key("red").value(catalogue::red);
    json.key("lampFont").begin('{').key("face").value(catalogue::lampFace);
    json.key("fallbacks").array(catalogue::lampFallbacks).key("points").value(catalogue::lampPoints).end('}');
    json.end('}');
}

}  // namespace

std::string pageJson() {
    JsonWriter json;
    json.begin('{').key("title").value(catalogue::windowTitle);
    json.key("client").begin('[').value(clientWidth).value(clientHeight).end(']');
    json.key("controls").begin('[');
    for (const Control& control : controls()) writeControl(json, control);
    json.end(']');
    json.key("lines").begin('[');
    for (const Line& line : connector()) {
        json.begin('{').key("name").value(line.name);
        json.key("from").begin('[').value(line.x1).value(line.y1).end(']');
        json.key("to").begin('[').value(line.x2).value(line.y2).end(']');
        writeRole(json, line.role);
        json.end('}');
    }
    json.end(']');
    json.key("menus").begin('[');
    for (const Menu& menu : menus())
        json.begin('{').key("name").value(menu.name).key("items").array(menu.items).end('}');
    json.end(']');
    json.key("tabOrder").array(tabOrder());
    writeTexts(json);
    writeStyles(json);
    writeView(json);
    json.end('}');
    return json.take();
}

}  // namespace qzb
