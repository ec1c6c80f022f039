// SPDX-License-Identifier: MIT
// The floor: a fixed 400 x 445 client area in a main window with a menu bar and
// one label, nothing else. While it runs, a 100 ms timer writes the next count
// into the label, the least any window that shows a changing value at 10 Hz
// must do. What the panel costs beyond this is the panel's own.
// Takes the seconds to keep running after the window is shown (default 0).

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

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
    auto* count = new QLabel(QStringLiteral("0000"), client);
    count->setGeometry(80, 48, 65, 17);

    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    int ticked = 0;
    QObject::connect(&ticks, &QTimer::timeout, count, [&] {
        count->setText(QString::number(++ticked % 16, 2).rightJustified(4, QLatin1Char('0')));
    });
    qzb::bench::FirstShowProbe probe(window, qzb::bench::runSecondsArgument(argc, argv),
                                     [&] { ticks.start(100); });
    window.show();
    return QApplication::exec();
}
