#include <QApplication>

#include "panel/desktop.h"
#include "panel/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qzb::QtDesktop desktop;
    qzb::frmMain window(desktop);
    desktop.setDialogParent(&window);
    window.show();
    return QApplication::exec();
}
