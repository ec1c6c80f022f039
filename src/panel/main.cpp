#include <QApplication>
#include <QCommandLineParser>

#include "panel/app_icon.h"
#include "panel/desktop.h"
#include "panel/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(qzb::applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qzb.QZB"));
    QApplication::setApplicationVersion(QStringLiteral(QZB_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("QZB, an emulator of a tiny 4-bit computer."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A setting file (.qzb) to load at start."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) parser.showHelp(2);

    qzb::QtDesktop desktop;
    qzb::frmMain window(desktop);
    desktop.setDialogParent(&window);
    if (!files.isEmpty()) window.loadSettingFile(files.constFirst());
    window.show();
    return QApplication::exec();
}
