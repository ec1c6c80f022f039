#pragma once

#include <QIcon>

namespace qzb {

// The application icon at every size it is drawn in (16 to 256 pixels), for the
// window's title bar and the task bar; the same pictures are installed in the
// hicolor icon theme.
QIcon applicationIcon();

}  // namespace qzb
