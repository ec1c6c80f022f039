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

#include "panel/app_icon.h"
#include "panel/panel_styles.h"
#include "settings/setting_file.h"
#include "settings/setting_storage.h"

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

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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
QPalette foreground(const catalogue::Rgb& colour) {
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    return palette;
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

}  // namespace

void SwitchBox::nextCheckState() {
    if (forwardClick) forwardClick();
}

bool SwitchBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

frmMain::frmMain(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      desktop_(desktop),
      dlgFileOpen(desktop),
      blackText_(foreground(catalogue::black)),
      redText_(foreground(catalogue::red)) {
    setWindowTitle(qt(catalogue::windowTitle));
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
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    draw(PanelChange::everything());

    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::onTimerTick);
    Timer1.start();
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
    // Children of the window created after the client area, so they outlive every control.
    auto* gridStyle = new GridSwitchStyle;
    gridStyle->setParent(this);
    auto* frameStyle = new TitledFrameStyle;
    frameStyle->setParent(this);
    clockGroup_ = new QButtonGroup(this);
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
            // The lamps ask for their own face; where it is missing, the catalogue's fallbacks draw the
            // same glyphs.
            const QString face = QString::fromStdString(control.fontFace);
            QStringList fallbacks;
            for (const std::string_view fallback : catalogue::lampFallbacks) fallbacks << qt(fallback);
            QFont::insertSubstitutions(face, fallbacks);
            widget->setFont(QFont(face, control.fontPoints, QFont::Normal));
        }
        if (control.coloured) widget->setPalette(foreground(control.colour));
        // Opaque, so that the connector appears to come out from under the control.
        widget->setAutoFillBackground(control.opaque);
        if (control.pressWidth < control.rect.width)
            widget->setMask(QRegion(0, 0, control.pressWidth, control.rect.height));
        bind(widget, control, gridStyle, frameStyle);
        built.insert(name, widget);
    }
    // A caption names its readout for screen readers; the readout's own name stays its value.
    for (const layout::Control& control : table) {
        if (!control.labels.empty())
            static_cast<QLabel*>(built.value(QString::fromStdString(control.name)))
                ->setBuddy(built.value(QString::fromStdString(control.labels)));
    }

    const std::vector<std::string> order = layout::tabOrder();
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(built.value(QString::fromStdString(order[i - 1])),
                             built.value(QString::fromStdString(order[i])));
    built.value(QString::fromStdString(order.front()))->setFocus();
}

void frmMain::bind(QWidget* widget, const layout::Control& control, QStyle* gridStyle, QStyle* frameStyle) {
    const layout::Role& role = control.role;
    if (const std::optional<SwitchRef> which = layout::switchOf(role)) {
        auto* box = static_cast<SwitchBox*>(widget);
        box->setTristate(true);
        if (role.is == layout::Role::ProgramSwitch) box->setStyle(gridStyle);
        box->forwardClick = [this, which = *which] { draw(session_.toggle(which)); };
        switches_.emplace_back(*which, box);
        return;
    }
    switch (role.is) {
        case layout::Role::ClockOption: {
            auto* option = static_cast<QRadioButton*>(widget);
            clockGroup_->addButton(option);
            clockOptions_.at(static_cast<std::size_t>(role.option)) = option;
            connect(option, &QRadioButton::toggled, this, [this, selected = role.option](bool on) {
                if (on) draw(session_.selectClock(selected));
            });
            break;
        }
        case layout::Role::ClockButton:
            connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, &frmMain::onClock);
            break;
        case layout::Role::ResetButton:
            connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, &frmMain::onReset);
            break;
        // The labels a refresh changes paint their own background, so that repainting one repaints
        // neither the window beneath it nor the grid switch it overlaps by a pixel.
        case layout::Role::Readout:
            readouts_.at(static_cast<std::size_t>(role.readout)) = static_cast<QLabel*>(widget);
            widget->setAutoFillBackground(true);
            break;
        case layout::Role::AddressLabel:
            addressLabels_.at(static_cast<std::size_t>(role.address)) = static_cast<QLabel*>(widget);
            static_cast<QLabel*>(widget)->setText(QString::fromStdString(addressText(role.address)));
            widget->setAutoFillBackground(true);
            break;
        case layout::Role::Frame: widget->setStyle(frameStyle); break;
        default: break;
    }
}

// Sets only what the change names: setting a check state, a text or a palette repaints the
// control even when it stays, and a palette is resolved against the parent's every time.
void frmMain::draw(const PanelChange& change) {
    for (const auto& [which, box] : switches_) {
        if (!change.names(which)) continue;
        const QSignalBlocker blocker(box);
        box->setCheckState(checkOf(session_.switchState(which)));
    }
    if (change.clock) showClockOptions();
    for (std::size_t readout = 0; readout < readouts_.size(); ++readout) {
        if (change.names(Readout(readout)))
            readouts_[readout]->setText(
                QString::fromStdString(readoutText(session_.state(), Readout(readout))));
    }
    if (change.redRow) {
        addressLabels_.at(redRow_)->setPalette(blackText_);
        redRow_ = session_.state().pc;
        addressLabels_.at(redRow_)->setPalette(redText_);
    }
    for (int beep = 0; beep < change.beeps; ++beep) desktop_.beep();
}

// The session may have no option selected; an exclusive group would refuse to show that. Tab
// enters the options at the one the session names; the arrow keys move among them.
void frmMain::showClockOptions() {
    const ClockOption selected = session_.clockOption(), stop = session_.tabStopOption();
    clockGroup_->setExclusive(false);
    for (std::size_t i = 0; i < clockOptions_.size(); ++i) {
        const QSignalBlocker blocker(clockOptions_[i]);
        clockOptions_[i]->setChecked(std::cmp_equal(i, static_cast<int>(selected)));
        clockOptions_[i]->setFocusPolicy(std::cmp_equal(i, static_cast<int>(stop)) ? Qt::StrongFocus
                                                                                   : Qt::ClickFocus);
    }
    clockGroup_->setExclusive(true);
}

QString frmMain::DecToBin(int value, bool ledStyle) {
    const std::optional<std::string> text = decToBin(value, ledStyle);
    if (!text) {
        desktop_.showMessage(Desktop::Icon::None, qt(catalogue::decToBinOver15));
        return {};
    }
    return QString::fromStdString(*text);
}

void frmMain::onTimerTick() {
    draw(session_.tick());
}

void frmMain::onClock() {
    draw(session_.pressClock());
}

void frmMain::onReset() {
    draw(session_.pressReset());
}

void frmMain::applyLoaded(const PanelSwitches& loaded) {
    draw(session_.applyLoaded(loaded));
}

FileCommandContext frmMain::fileCommandContext() {
    const QString folder = dialogStartFolder(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), QDir::homePath());
    return {dlgFileOpen, QFile::encodeName(folder).toStdString()};
}

void frmMain::report(catalogue::FileCommand command, const FileCommandOutcome& outcome) {
    if (const std::optional<std::string_view> message =
            catalogue::fileCommandMessage(command, outcome.result))
        desktop_.showMessage(Desktop::Icon::Error, qt(*message));
}

// Load reads into a copy of the switches; only a file that was opened and read replaces them.
void frmMain::onLoad() {
    FileCommandContext context = fileCommandContext();
    PanelSwitches loaded = session_.switches();
    const FileCommandOutcome outcome = loadSettings(context, loaded);
    if (outcome.result == FileCommandResult::Done) applyLoaded(loaded);
    report(catalogue::FileCommand::Load, outcome);
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
    PanelSwitches loaded = session_.switches();
    const FileCommandOutcome outcome =
        loadSettingsFrom(context, QFile::encodeName(path).toStdString(), loaded);
    if (outcome.result == FileCommandResult::Done) applyLoaded(loaded);
    report(catalogue::FileCommand::Load, outcome);
}

void frmMain::loadSource(const QString& name) {
    std::string text;
    if (readFileText(QFile::encodeName(name).toStdString(), text)) {
        report(catalogue::FileCommand::Load, {FileCommandResult::CannotOpen, {}});
        return;
    }
    std::vector<std::string> problems;
    draw(session_.applySource(text, name.toStdString(), name.toStdString(), problems));
    QStringList lines;
    for (const std::string& line : problems) lines << QString::fromStdString(line);
    if (!lines.isEmpty()) desktop_.showMessage(Desktop::Icon::Error, lines.join('\n'));
}

void frmMain::onSaveAs() {
    FileCommandContext context = fileCommandContext();
    report(catalogue::FileCommand::SaveAs, saveSettings(context, session_.switches()));
}

void frmMain::onAbout() {
    desktop_.showMessage(Desktop::Icon::Information, qt(catalogue::aboutText()));
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
