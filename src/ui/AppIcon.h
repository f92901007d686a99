// The program's icon, built into the program so the window and the tray show it whether or
// not the desktop's icon theme holds the installed one.
#pragma once

#include <QIcon>

namespace korvi::ui {

QIcon AppIcon();

}  // namespace korvi::ui
