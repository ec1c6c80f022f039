// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstring>
#include <memory>

#include "panel/desktop.h"
#include "panel/frm_main.h"

namespace {

void describeArguments(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("QZB, an emulator of a tiny 4-bit computer."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A setting file (.qzb) or an assembly source to load at start."),
        QStringLiteral("[FILE]"));
}

// --help and --version only print, so they must work where there is no display.
// After "--" every argument is a file name, even one that looks like an option.
bool onlyPrints(int argc, char* argv[]) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-?", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app = onlyPrints(argc, argv)
                                                      ? std::make_unique<QCoreApplication>(argc, argv)
                                                      : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QZB_VERSION));
    QCommandLineParser parser;
    describeArguments(parser);
    parser.process(*app);  // prints and exits for --help and --version
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "qzb: one setting file at most, not %lld\n",
                     static_cast<long long>(files.size()));
        parser.showHelp(2);
    }

    QGuiApplication::setDesktopFileName(QStringLiteral("org.qzb.QZB"));
    qzb::QtDesktop desktop;
    qzb::frmMain window(desktop);
    desktop.setDialogParent(&window);
    if (!files.isEmpty()) window.openFile(files.constFirst());
    window.show();
    return QApplication::exec();
}
