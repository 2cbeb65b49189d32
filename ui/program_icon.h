#pragma once

#include <QIcon>
#include <QPixmap>

namespace waytrace {

// The program's icon, shared by its windows and the about window's picture.
QIcon programIcon();

// The logo at the left end of the main window's button row.
QPixmap logoPicture();

} // namespace waytrace
