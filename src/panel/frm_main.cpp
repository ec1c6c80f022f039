// SPDX-License-Identifier: MIT
#include "panel/frm_main.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <utility>

#include "panel/app_icon.h"

#ifndef QZB_VERSION
#define QZB_VERSION "0"
#endif

namespace qzb {

namespace {

constexpr int clientWidth = 400;
constexpr int clientHeight = 445;

// The window's client area. Line1 and Line2 join the bit-3 lamp to the Beep
// switch; they are painted on the background, so the controls cover their ends.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawLine(96, 232, 96, 248);  // Line1
        painter.drawLine(96, 248, 56, 248);  // Line2
    }
};

// The grid switches are 12 pixels high; the style's own box would not fit.
class GridSwitchStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return 11;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
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
QPalette foreground(const QColor& colour) {
    QPalette palette;
    palette.setColor(QPalette::WindowText, colour);
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

template <typename T>
T* place(T* widget, const QString& name, int x, int y, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, width, height);
    return widget;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y, int width, int height,
              Qt::Alignment alignment = Qt::AlignLeft) {
    auto* result = place(new QLabel(text, parent), name, x, y, width, height);
    // From the top, so that a label's text is level with the 12-pixel switches of its row.
    result->setAlignment(alignment | Qt::AlignTop);
    return result;
}

QString indexed(const char* bank, int index) {
    return QStringLiteral("%1(%2)").arg(bank).arg(index);
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
      machine_(switches_, [this] { refreshDisplay(); }),
      dlgFileOpen(desktop),
      blackText_(foreground(QColor(0, 0, 0))),
      redText_(foreground(QColor(255, 0, 0))) {
    setWindowTitle(QStringLiteral("QZB エミュレータ"));
    setWindowIcon(applicationIcon());
    buildMenus();
    auto* client = new ClientArea(this);
    client->setFixedSize(clientWidth, clientHeight);
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
    setTabOrder();
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
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File"));
    const auto item = [this](QMenu* menu, const QString& caption, void (frmMain::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(caption);
        connect(action, &QAction::triggered, this, handler);
    };
    item(file, QStringLiteral("Load"), &frmMain::onLoad);
    item(file, QStringLiteral("SaveAs"), &frmMain::onSaveAs);
    item(file, QStringLiteral("End"), &frmMain::onEnd);
    QAction* about = menuBar()->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, &frmMain::onAbout);
}

void frmMain::buildControls(QWidget* client) {
    // A child of the window created after the client area, so it outlives every switch.
    auto* gridStyle = new GridSwitchStyle;
    gridStyle->setParent(this);
    for (int address = 0; address < 16; ++address) {
        for (int bit = 0; bit < 8; ++bit) {
            const int index = address * 8 + bit;
            auto* box = place(new SwitchBox(client), indexed("chkRom", index), 192 + 16 * (7 - bit),
                              56 + 24 * address, 17, 12);
            box->setStyle(gridStyle);
            box->setAccessibleName(
                QStringLiteral("Address %1 bit %2").arg(address, 2, 10, QLatin1Char('0')).arg(bit));
            bindSwitch(box, switches_.program[static_cast<std::size_t>(index)]);
            chkRom[static_cast<std::size_t>(index)] = box;
        }
        addressTexts_[static_cast<std::size_t>(address)] =
            QStringLiteral("Address %1").arg(address, 2, 10, QLatin1Char('0'));
        Label2[static_cast<std::size_t>(address)] =
            label(client, indexed("Label2", address), QString(), 320, 56 + 24 * address, 73, 17);
    }
    label(client, QStringLiteral("Label3"), QStringLiteral("Program Memory"), 192, 16, 169, 17,
          Qt::AlignHCenter);
    Label1[0] = label(client, indexed("Label1", 0), QStringLiteral("D7"), 192, 40, 33, 17);
    Label1[1] = label(client, indexed("Label1", 1), QStringLiteral("D0"), 304, 40, 33, 17);

    for (int bit = 0; bit < 4; ++bit) {
        auto* box = place(new SwitchBox(client), indexed("chkInp", bit), 88 + 16 * (3 - bit), 296, 17, 17);
        box->setAccessibleName(QStringLiteral("INP bit %1").arg(bit));
        bindSwitch(box, switches_.input[static_cast<std::size_t>(bit)]);
        chkInp[static_cast<std::size_t>(bit)] = box;
    }
    for (int k = 0; k < 8; ++k) {
        Label9[static_cast<std::size_t>(k)] = label(client, indexed("Label9", k), QString::number(k % 4),
                                                    96 + 16 * (3 - k % 4), k >= 4 ? 208 : 280, 17, 17);
    }

    // A readout's accessible name stays its value; its caption is its label (the buddy).
    lblRegA = label(client, QStringLiteral("lblRegA"), QStringLiteral("****"), 80, 48, 65, 17);
    label(client, QStringLiteral("Label4"), QStringLiteral("RegistorA"), 8, 48, 65, 17)->setBuddy(lblRegA);
    lblRegB = label(client, QStringLiteral("lblRegB"), QStringLiteral("****"), 80, 72, 65, 17);
    label(client, QStringLiteral("Label5"), QStringLiteral("RegistorB"), 8, 72, 65, 17)->setBuddy(lblRegB);
    lblF = label(client, QStringLiteral("lblF"), QStringLiteral("*"), 80, 96, 25, 17);
    label(client, QStringLiteral("Label7"), QStringLiteral("C Flag"), 8, 96, 57, 17)->setBuddy(lblF);
    lblPC = label(client, QStringLiteral("lblPC"), QStringLiteral("****"), 112, 120, 49, 17);
    label(client, QStringLiteral("Label6"), QStringLiteral("ProgramCounter"), 8, 120, 89, 17)
        ->setBuddy(lblPC);
    lblOUTP =
        label(client, QStringLiteral("lblOUTP"), QStringLiteral("●●●●"), 80, 224, 81, 17, Qt::AlignHCenter);
    Label8[1] =
        label(client, indexed("Label8", 1), QStringLiteral("OUTP"), 88, 192, 65, 17, Qt::AlignHCenter);
    Label8[1]->setBuddy(lblOUTP);
    // The lamps ask for their own face; where it is missing, IPAPGothic draws the same glyphs.
    const QString lampFace = QStringLiteral("ＭＳ Ｐゴシック");
    QFont::insertSubstitution(lampFace, QStringLiteral("IPAPGothic"));
    QFont lampFont(lampFace, 12, QFont::Normal);
    lblOUTP->setFont(lampFont);
    lblOUTP->setPalette(redText_);
    // Opaque, so that the connector appears to come out from under the lamp.
    lblOUTP->setAutoFillBackground(true);

    chkBeep = place(new SwitchBox(QStringLiteral("Beep"), client), QStringLiteral("chkBeep"), 8, 240, 57, 17);
    chkBeep->setAutoFillBackground(true);
    bindSwitch(chkBeep, switches_.beep);
    Label8[0] = label(client, indexed("Label8", 0), QStringLiteral("INP"), 88, 264, 65, 17, Qt::AlignHCenter);

    Frame1 = place(new QGroupBox(QStringLiteral("Clock Generator"), client), QStringLiteral("Frame1"), 0, 328,
                   169, 73);
    optClk1 =
        place(new QRadioButton(QStringLiteral("1Hz"), Frame1), QStringLiteral("optClk1"), 8, 16, 57, 17);
    optClk2 =
        place(new QRadioButton(QStringLiteral("10Hz"), Frame1), QStringLiteral("optClk2"), 8, 32, 57, 17);
    optClk3 =
        place(new QRadioButton(QStringLiteral("Manual →"), Frame1), QStringLiteral("optClk3"), 8, 48, 81, 17);
    clockOptions_ = new QButtonGroup(this);
    for (QRadioButton* option : {optClk1, optClk2, optClk3}) {
        clockOptions_->addButton(option);
        connect(option, &QRadioButton::toggled, this, &frmMain::readClockOptions);
    }
    cmdClock =
        place(new QPushButton(QStringLiteral("Clock"), Frame1), QStringLiteral("cmdClock"), 88, 40, 65, 25);
    connect(cmdClock, &QPushButton::clicked, this, &frmMain::onClock);

    cmdReset =
        place(new QPushButton(QStringLiteral("Reset"), client), QStringLiteral("cmdReset"), 0, 408, 169, 25);
    connect(cmdReset, &QPushButton::clicked, this, &frmMain::onReset);

    for (QPushButton* button : {cmdClock, cmdReset}) button->setAutoDefault(false);
}

void frmMain::setTabOrder() {
    QList<QWidget*> order(chkRom.begin(), chkRom.end());
    order << cmdReset << optClk1 << optClk2 << optClk3 << cmdClock;
    order.append(QList<QWidget*>(chkInp.begin(), chkInp.end()));
    order << chkBeep;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmMain::bindSwitch(SwitchBox* box, SwitchState& state) {
    box->setTristate(true);
    connect(box, &QCheckBox::stateChanged, this,
            [&state](int check) { state = stateOf(static_cast<Qt::CheckState>(check)); });
}

void frmMain::readClockOptions() {
    switches_.clock = {optClk1->isChecked(), optClk2->isChecked(), optClk3->isChecked()};
    letTabReachOneOption();
}

// Tab enters the clock options as one stop, at the selected one (the first when
// none is); the arrow keys move within them.
void frmMain::letTabReachOneOption() {
    const ClockMode& clock = switches_.clock;
    const bool none = !clock.hz1 && !clock.hz10 && !clock.manual;
    for (auto [option, stop] : {std::pair{optClk1, clock.hz1 || none}, std::pair{optClk2, clock.hz10},
                                std::pair{optClk3, clock.manual}}) {
        option->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void frmMain::showSwitches() {
    const auto show = [](QCheckBox* box, SwitchState state) {
        const QSignalBlocker blocker(box);
        box->setCheckState(checkOf(state));
    };
    for (std::size_t i = 0; i < chkRom.size(); ++i) show(chkRom[i], switches_.program[i]);
    for (std::size_t i = 0; i < chkInp.size(); ++i) show(chkInp[i], switches_.input[i]);
    show(chkBeep, switches_.beep);

    // The record may hold no selected option at all; an exclusive group would refuse to show that.
    clockOptions_->setExclusive(false);
    const ClockMode clock = switches_.clock;
    for (auto [option, selected] :
         {std::pair{optClk1, clock.hz1}, std::pair{optClk2, clock.hz10}, std::pair{optClk3, clock.manual}}) {
        const QSignalBlocker blocker(option);
        option->setChecked(selected);
    }
    clockOptions_->setExclusive(true);
    letTabReachOneOption();
}

QString frmMain::DecToBin(int value, bool ledStyle) {
    if (value > 15) {
        desktop_.showMessage(Desktop::Icon::None, QStringLiteral("DecToBin-Over15"));
        return {};
    }
    const QChar low = ledStyle ? QChar(u'○') : QChar(u'0');
    const QChar high = ledStyle ? QChar(u'●') : QChar(u'1');
    std::array<QChar, 4> digits{};
    for (int n = 3; n >= 0; --n) {
        const int weight = 1 << n;
        if (weight > value) {
            digits[static_cast<std::size_t>(3 - n)] = low;
        } else {
            value -= weight;
            digits[static_cast<std::size_t>(3 - n)] = high;
        }
    }
    return QString(digits.data(), static_cast<qsizetype>(digits.size()));
}

void frmMain::refreshDisplay() {
    const MachineState& state = machine_.state();
    showText(lblRegA, DecToBin(state.a, false));
    showText(lblRegB, DecToBin(state.b, false));
    showText(lblPC, DecToBin(state.pc, false));
    showText(lblF, state.carry ? QStringLiteral("1") : QStringLiteral("0"));
    showText(lblOUTP, DecToBin(state.out, true));
    for (std::size_t g = 0; g < Label2.size(); ++g) {
        showText(Label2[g], addressTexts_[g]);
        showForeground(Label2[g], std::cmp_equal(g, state.pc) ? redText_ : blackText_);
    }
    if (isOn(switches_.beep) && (state.out & 8) != 0) desktop_.beep();
}

void frmMain::onTimerTick() {
    if (switches_.clock.hz10) {
        machine_.step();
    } else if (switches_.clock.hz1) {
        ++oneHertzDivider_;
        if (oneHertzDivider_ >= 10) {
            oneHertzDivider_ = 0;
            machine_.step();
        }
    }
}

void frmMain::onClock() {
    if (switches_.clock.manual) machine_.step();
}

void frmMain::onReset() {
    machine_.reset();
}

FileCommandContext frmMain::fileCommandContext() {
    const QString folder =
        dialogStartFolder(QCoreApplication::applicationDirPath(),
                          QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    return {dlgFileOpen, QFile::encodeName(folder).toStdString(), [this](const std::string& text) {
                desktop_.showMessage(Desktop::Icon::Error, QString::fromStdString(text));
            }};
}

void frmMain::onLoad() {
    FileCommandContext context = fileCommandContext();
    loadSettings(context, switches_, [this] { showLoadedSwitches(); });
}

void frmMain::loadSettingFile(const QString& name) {
    FileCommandContext context = fileCommandContext();
    // Made absolute, as the dialog returns names, since the dialog object keeps it for the next Load.
    const QString path = QDir::current().absoluteFilePath(name);
    loadSettingsFrom(context, QFile::encodeName(path).toStdString(), switches_,
                     [this] { showLoadedSwitches(); });
}

void frmMain::showLoadedSwitches() {
    showSwitches();
    machine_.reset();
}

void frmMain::onSaveAs() {
    FileCommandContext context = fileCommandContext();
    saveSettings(context, switches_);
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
