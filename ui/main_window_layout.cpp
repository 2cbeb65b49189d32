#include "main_window_layout.h"

namespace waytrace {

MainWindowLayout layoutMainWindow(int outerWidth, int outerHeight, MainWindowLayout layout)
{
    layout.browserWidth = outerWidth - 550;
    if (const int h = outerHeight - 2150; h > 0)
        layout.browserHeight = h;
    layout.frame2Width = outerWidth - 550;
    layout.frame1Width = outerWidth - 550;
    if (const int w = kFrame2Left + layout.frame2Width - 740; w > 0) {
        layout.goLeft = w;
        layout.lineX2 = w + kGoWidth;
    }
    if (const int e = layout.goLeft - kAddressLeft - 75; e > 0)
        layout.addressWidth = e;
    return layout;
}

} // namespace waytrace
