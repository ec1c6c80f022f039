// The floor: an empty fixed 400 x 445 client area in a main window with a menu
// bar, nothing else. What the panel costs beyond this is the panel's own.
// Takes the seconds to keep running after the window is shown (default 0).

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "first_show.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("floor"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("End"), &app, &QCoreApplication::quit);
    window.menuBar()->addAction(QStringLiteral("About"));
    auto* client = new QWidget(&window);
    client->setFixedSize(400, 445);
    window.setCentralWidget(client);
    window.setFixedSize(window.sizeHint());

    qzb::bench::FirstShowProbe probe(window, qzb::bench::runSecondsArgument(argc, argv));
    window.show();
    return QApplication::exec();
}
