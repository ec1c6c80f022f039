// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

namespace qzb {

// The window's icon for title bars and task bars, at 16 to 64 pixels: the
// window system is handed every size at start-up, so the larger pictures, which
// launchers take from the installed icon theme, are left out of the program.
QIcon applicationIcon();

}  // namespace qzb
