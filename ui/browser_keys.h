#pragma once

class QWidget;

namespace waytrace {

class Browser;

// The keys every desktop browser has, for `browser` while `window` is active: Alt+Left back,
// Alt+Right forward, F5 or Ctrl+R reload, Esc stop.
void addBrowserKeys(QWidget& window, Browser& browser);

} // namespace waytrace
