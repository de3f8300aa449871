#pragma once

#include <QIcon>

namespace pw {

// The program's icon (window, tray, about box).
QIcon ProgramIcon();

}  // namespace pw
