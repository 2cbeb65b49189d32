#pragma once

class QEvent;
class QWidget;

namespace waytrace {

// Whether `event` is the first sign that the window manager has framed `window`: it frames a
// window after it is shown, and moves or paints it then. Sets `framed` once it is so; the
// frame's size is known from then on.
bool frameJustKnown(const QWidget& window, const QEvent& event, bool& framed);

} // namespace waytrace
