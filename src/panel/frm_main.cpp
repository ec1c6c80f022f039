// SPDX-License-Identifier: MIT
#include "panel/frm_main.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <utility>

#include "asm/assembler.h"
#include "common/diagnostic.h"
#include "front_panel/panel_layout.h"
#include "panel/app_icon.h"
#include "panel/panel_styles.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

#ifndef QZB_VERSION
#define QZB_VERSION "0"
#endif

namespace qzb {

namespace {

// The window's client area. Line1 and Line2 join the bit-3 lamp to the Beep
// switch; they are painted on the background, so the controls cover their ends.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        for (const layout::Line& line : connector_) painter.drawLine(line.x1, line.y1, line.x2, line.y2);
    }

private:
    const std::vector<layout::Line> connector_ = layout::connector();
};

SwitchState stateOf(Qt::CheckState check) {
    switch (check) {
        case Qt::Checked: return SwitchState::On;
        case Qt::PartiallyChecked: return SwitchState::Greyed;
        case Qt::Unchecked: break;
    }
    return SwitchState::Off;
}

Qt::CheckState checkOf(SwitchState state) {
    switch (state) {
        case SwitchState::On: return Qt::Checked;
        case SwitchState::Greyed: return Qt::PartiallyChecked;
        case SwitchState::Off: break;
    }
    return Qt::Unchecked;
}

// A palette that sets the text colour alone; a widget takes every other role from its parent.
QPalette foreground(const layout::Rgb& colour) {
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    return palette;
}

// A refresh sets only what differs: setting a palette resolves it against the
// parent's every time, even when the colour stays, and 16 of those were most of
// a step's cost.
void showText(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

void showForeground(QLabel* label, const QPalette& palette) {
    if (label->palette().color(QPalette::WindowText) != palette.color(QPalette::WindowText))
        label->setPalette(palette);
}

QWidget* makeControl(const layout::Control& control, QWidget* parent) {
    const QString text = QString::fromStdString(control.text);
    switch (control.kind) {
        case layout::Kind::Label: {
            auto* label = new QLabel(text, parent);
            // From the top, so that a label's text is level with the 12-pixel switches of its row.
            label->setAlignment((control.align == layout::Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft) |
                                Qt::AlignTop);
            // A click on a label does nothing, so it goes to whatever lies beneath: where a label's
            // box overlaps a switch by a pixel, the switch takes the press.
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            return label;
        }
        case layout::Kind::CheckBox: return new SwitchBox(text, parent);
        case layout::Kind::OptionButton: return new QRadioButton(text, parent);
        case layout::Kind::PushButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            return button;
        }
        case layout::Kind::GroupFrame: return new QGroupBox(text, parent);
    }
    return nullptr;
}

// Neighbouring switches share a pixel column, where the right one draws its box.
// The left one gives that column up, so a press there reaches the switch drawn there.
void yieldSharedColumn(QWidget* left, const QWidget* right) {
    left->setMask(QRegion(0, 0, right->x() - left->x(), left->height()));
}

}  // namespace

void SwitchBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

bool SwitchBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

frmMain::frmMain(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      desktop_(desktop),
      panel_([this] { refreshDisplay(); }),
      dlgFileOpen(desktop),
      blackText_(foreground(layout::black)),
      redText_(foreground(layout::red)) {
    setWindowTitle(QString::fromUtf8(layout::windowTitle));
    setWindowIcon(applicationIcon());
    buildMenus();
    auto* client = new ClientArea(this);
    client->setFixedSize(layout::clientWidth, layout::clientHeight);
    setCentralWidget(client);
    // The layout is in pixels, so the font is too: at 10 pixels (7.5 points at 96 dpi) every
    // caption fits its box with room, the tightest being "ProgramCounter" in 89 pixels.
    QFont panelFont = client->font();
    panelFont.setPixelSize(10);
    client->setFont(panelFont);
    buildControls(client);
    // The labels a refresh changes paint their own background, so that repainting one repaints
    // neither the window beneath it nor the grid switch it overlaps by a pixel.
    for (QLabel* changing : {lblRegA, lblRegB, lblF, lblPC}) changing->setAutoFillBackground(true);
    for (QLabel* changing : Label2) changing->setAutoFillBackground(true);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    showSwitches();

    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::onTimerTick);
    Timer1.start();

    refreshDisplay();
    chkRom[0]->setFocus();
}

void frmMain::buildMenus() {
    const QHash<QString, void (frmMain::*)()> handlers = {{QStringLiteral("Load"), &frmMain::onLoad},
                                                          {QStringLiteral("SaveAs"), &frmMain::onSaveAs},
                                                          {QStringLiteral("End"), &frmMain::onEnd},
                                                          {QStringLiteral("About"), &frmMain::onAbout}};
    const auto command = [&](QAction* action, const QString& name) {
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handlers.value(name));
    };
    for (const layout::Menu& menu : layout::menus()) {
        const QString name = QString::fromStdString(menu.name);
        if (menu.items.empty()) {
            command(menuBar()->addAction(name), name);
            continue;
        }
        QMenu* dropDown = menuBar()->addMenu(name);
        dropDown->setObjectName(name);
        for (const std::string& item : menu.items) {
            const QString caption = QString::fromStdString(item);
            command(dropDown->addAction(caption), caption);
        }
    }
}

void frmMain::buildControls(QWidget* client) {
    // A child of the window created after the client area, so it outlives every switch.
    auto* gridStyle = new GridSwitchStyle;
    gridStyle->setParent(this);
    QHash<QString, QWidget*> built;
    const std::vector<layout::Control> table = layout::controls();
    for (const layout::Control& control : table) {
        const QString name = QString::fromStdString(control.name);
        QWidget* widget = makeControl(
            control, control.parent.empty() ? client : built.value(QString::fromStdString(control.parent)));
        widget->setObjectName(name);
        widget->setGeometry(control.rect.x, control.rect.y, control.rect.width, control.rect.height);
        if (!control.accessibleName.empty())
            widget->setAccessibleName(QString::fromStdString(control.accessibleName));
        if (!control.fontFace.empty()) {
            // The lamps ask for their own face; where it is missing, IPAPGothic draws the same glyphs.
            const QString face = QString::fromStdString(control.fontFace);
            QFont::insertSubstitution(face, QStringLiteral("IPAPGothic"));
            widget->setFont(QFont(face, control.fontPoints, QFont::Normal));
        }
        if (control.coloured) widget->setPalette(foreground(control.colour));
        // Opaque, so that the connector appears to come out from under the control.
        widget->setAutoFillBackground(control.opaque);
        built.insert(name, widget);
    }
    // A caption names its readout for screen readers; the readout's own name stays its value.
    for (const layout::Control& control : table) {
        if (!control.labels.empty())
            static_cast<QLabel*>(built.value(QString::fromStdString(control.name)))
                ->setBuddy(built.value(QString::fromStdString(control.labels)));
    }

    const auto find = [&]<typename T>(T*& slot, const QString& name) {
        slot = static_cast<T*>(built.value(name));
    };
    const auto indexed = [](const char* bank, std::size_t index) {
        return QStringLiteral("%1(%2)").arg(bank).arg(index);
    };
    for (std::size_t i = 0; i < chkRom.size(); ++i) {
        find(chkRom[i], indexed("chkRom", i));
        chkRom[i]->setStyle(gridStyle);
        bindSwitch(chkRom[i], switches().program[i]);
        if (i % 8 != 0) yieldSharedColumn(chkRom[i], chkRom[i - 1]);
    }
    for (std::size_t i = 0; i < chkInp.size(); ++i) {
        find(chkInp[i], indexed("chkInp", i));
        bindSwitch(chkInp[i], switches().input[i]);
        if (i != 0) yieldSharedColumn(chkInp[i], chkInp[i - 1]);
    }
    for (std::size_t i = 0; i < Label2.size(); ++i) {
        find(Label2[i], indexed("Label2", i));
        addressTexts_[i] = QString::fromStdString(addressText(static_cast<int>(i)));
    }
    find(chkBeep, QStringLiteral("chkBeep"));
    bindSwitch(chkBeep, switches().beep);
    find(lblRegA, QStringLiteral("lblRegA"));
    find(lblRegB, QStringLiteral("lblRegB"));
    find(lblF, QStringLiteral("lblF"));
    find(lblPC, QStringLiteral("lblPC"));
    find(lblOUTP, QStringLiteral("lblOUTP"));
    find(optClk1, QStringLiteral("optClk1"));
    find(optClk2, QStringLiteral("optClk2"));
    find(optClk3, QStringLiteral("optClk3"));
    find(cmdClock, QStringLiteral("cmdClock"));
    find(cmdReset, QStringLiteral("cmdReset"));
    auto* frameStyle = new TitledFrameStyle;
    frameStyle->setParent(this);
    built.value(QStringLiteral("Frame1"))->setStyle(frameStyle);

    clockOptions_ = new QButtonGroup(this);
    for (QRadioButton* option : {optClk1, optClk2, optClk3}) {
        clockOptions_->addButton(option);
        connect(option, &QRadioButton::toggled, this, &frmMain::readClockOptions);
    }
    connect(cmdClock, &QPushButton::clicked, this, &frmMain::onClock);
    connect(cmdReset, &QPushButton::clicked, this, &frmMain::onReset);

    const std::vector<std::string> order = layout::tabOrder();
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(built.value(QString::fromStdString(order[i - 1])),
                             built.value(QString::fromStdString(order[i])));
}

void frmMain::bindSwitch(SwitchBox* box, SwitchState& state) {
    box->setTristate(true);
    connect(box, &QCheckBox::stateChanged, this,
            [&state](int check) { state = stateOf(static_cast<Qt::CheckState>(check)); });
}

void frmMain::readClockOptions() {
    switches().clock = {optClk1->isChecked(), optClk2->isChecked(), optClk3->isChecked()};
    letTabReachOneOption();
}

void frmMain::letTabReachOneOption() {
    const int stop = panel_.tabStopOption();
    const std::array options = {optClk1, optClk2, optClk3};
    for (std::size_t i = 0; i < options.size(); ++i)
        options[i]->setFocusPolicy(std::cmp_equal(i, stop) ? Qt::StrongFocus : Qt::ClickFocus);
}

void frmMain::showSwitches() {
    const auto show = [](QCheckBox* box, SwitchState state) {
        const QSignalBlocker blocker(box);
        box->setCheckState(checkOf(state));
    };
    const PanelSwitches& record = switches();
    for (std::size_t i = 0; i < chkRom.size(); ++i) show(chkRom[i], record.program[i]);
    for (std::size_t i = 0; i < chkInp.size(); ++i) show(chkInp[i], record.input[i]);
    show(chkBeep, record.beep);

    // The record may hold no selected option at all; an exclusive group would refuse to show that.
    clockOptions_->setExclusive(false);
    const ClockMode clock = record.clock;
    for (auto [option, selected] :
         {std::pair{optClk1, clock.hz1}, std::pair{optClk2, clock.hz10}, std::pair{optClk3, clock.manual}}) {
        const QSignalBlocker blocker(option);
        option->setChecked(selected);
    }
    clockOptions_->setExclusive(true);
    letTabReachOneOption();
}

QString frmMain::DecToBin(int value, bool ledStyle) {
    const std::optional<std::string> text = decToBin(value, ledStyle);
    if (!text) {
        desktop_.showMessage(Desktop::Icon::None, QStringLiteral("DecToBin-Over15"));
        return {};
    }
    return QString::fromStdString(*text);
}

void frmMain::refreshDisplay() {
    const Readouts shown = panel_.readouts();
    showText(lblRegA, QString::fromStdString(shown.registerA));
    showText(lblRegB, QString::fromStdString(shown.registerB));
    showText(lblPC, QString::fromStdString(shown.programCounter));
    showText(lblF, QString::fromStdString(shown.carry));
    showText(lblOUTP, QString::fromStdString(shown.output));
    for (std::size_t g = 0; g < Label2.size(); ++g) {
        showText(Label2[g], addressTexts_[g]);
        showForeground(Label2[g], std::cmp_equal(g, shown.redRow) ? redText_ : blackText_);
    }
    if (shown.beep) desktop_.beep();
}

void frmMain::onTimerTick() {
    panel_.tick();
}

void frmMain::onClock() {
    panel_.clock();
}

void frmMain::onReset() {
    panel_.reset();
}

FileCommandContext frmMain::fileCommandContext() {
    const QString folder = dialogStartFolder(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath());
    return {dlgFileOpen, QFile::encodeName(folder).toStdString()};
}

// The messages of the two file commands; a cancel shows nothing.
void frmMain::report(const FileCommandOutcome& outcome, bool saving) {
    QString text;
    switch (outcome.result) {
        case FileCommandResult::Done:
        case FileCommandResult::Cancelled: return;
        case FileCommandResult::Refused:
            text = saving
                       ? QStringLiteral("無効なファイルが選択されました。ファイルは保存されませんでした。")
                       : QStringLiteral("無効なファイルが選択されました。ファイルはロードされませんでした。");
            break;
        case FileCommandResult::CannotOpen:
            text = saving ? QStringLiteral("書き込めません。") : QStringLiteral("File Not Found");
            break;
    }
    desktop_.showMessage(Desktop::Icon::Error, text);
}

void frmMain::onLoad() {
    FileCommandContext context = fileCommandContext();
    report(loadSettings(context, switches(), [this] { showLoadedSwitches(); }), false);
}

void frmMain::openFile(const QString& name) {
    const std::string encoded = QFile::encodeName(name).toStdString();
    if (!fileExtension(encoded) || hasSettingExtension(encoded)) {
        loadSettingFile(name);
    } else {
        loadSource(name);
    }
}

void frmMain::loadSettingFile(const QString& name) {
    FileCommandContext context = fileCommandContext();
    // Made absolute, as the dialog returns names, since the dialog object keeps it for the next Load.
    const QString path = QDir::current().absoluteFilePath(name);
    report(loadSettingsFrom(context, QFile::encodeName(path).toStdString(), switches(),
                            [this] { showLoadedSwitches(); }),
           false);
}

void frmMain::loadSource(const QString& name) {
    std::string text;
    if (readFileText(QFile::encodeName(name).toStdString(), text)) {
        report({FileCommandResult::CannotOpen, {}}, false);
        return;
    }
    if (const std::optional<std::string> problem = sourceSizeProblem(name.toStdString(), text.size())) {
        desktop_.showMessage(Desktop::Icon::Error, QString::fromStdString(*problem));
        return;
    }
    const Assembly assembly = assemble(text);
    if (!assembly.errors.empty()) {
        QStringList lines;
        for (const std::string& line : locatedMessages(name.toStdString(), assembly.errors))
            lines << QString::fromStdString(line);
        desktop_.showMessage(Desktop::Icon::Error, lines.join('\n'));
        return;
    }
    // A setting file holds no input switches, so a load leaves them as they are.
    PanelSwitches loaded = assembly.switches;
    loaded.input = switches().input;
    switches() = loaded;
    showLoadedSwitches();
}

void frmMain::showLoadedSwitches() {
    showSwitches();
    panel_.reset();
}

void frmMain::onSaveAs() {
    FileCommandContext context = fileCommandContext();
    report(saveSettings(context, switches()), true);
}

void frmMain::onAbout() {
    desktop_.showMessage(Desktop::Icon::Information,
                         QStringLiteral("QZB %1\n\nAn emulator of the QZB, a tiny 4-bit computer. "
                                        "Program its 16 words of memory with the switches, pick a "
                                        "clock and watch the registers and the output lamps.")
                             .arg(QStringLiteral(QZB_VERSION)));
}

void frmMain::onEnd() {
    Timer1.stop();
    QCoreApplication::quit();
}

void frmMain::closeEvent(QCloseEvent* event) {
    onEnd();
    event->accept();
}

}  // namespace qzb
