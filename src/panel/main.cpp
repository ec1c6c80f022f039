#include <QApplication>

#include "panel/app_icon.h"
#include "panel/desktop.h"
#include "panel/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(qzb::applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qzb.QZB"));
    qzb::QtDesktop desktop;
    qzb::frmMain window(desktop);
    desktop.setDialogParent(&window);
    window.show();
    return QApplication::exec();
}
