// SPDX-License-Identifier: MIT
#include "panel/app_icon.h"

namespace qzb {

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/org.qzb.QZB.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

}  // namespace qzb
