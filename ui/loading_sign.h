#pragma once

class QWidget;

namespace waytrace {

class Browser;

// While `browser` loads a page, a sign over the page's lower left corner (the window's, for a
// browser without a widget) says how far it is and that Esc stops it, and the pointer over the
// page is busy.
void addLoadingSign(QWidget& window, Browser& browser);

} // namespace waytrace
