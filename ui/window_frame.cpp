#include "window_frame.h"

#include <QEvent>
#include <QWidget>

namespace waytrace {

bool frameJustKnown(const QWidget& window, const QEvent& event, bool& framed)
{
    if (framed || (event.type() != QEvent::Move && event.type() != QEvent::Paint) ||
        window.frameGeometry().size() == window.size())
        return false;
    framed = true;
    return true;
}

} // namespace waytrace
