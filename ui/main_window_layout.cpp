#include "main_window_layout.h"

namespace waytrace {

MainWindowLayout layoutMainWindow(int outerWidth, int outerHeight, MainWindowLayout layout)
{
    layout.browserWidth = outerWidth - 550;
    if (const int h = outerHeight - 2150; h > 0)
        layout.browserHeight = h;
    layout.addressFrameWidth = outerWidth - 550;
    layout.commandFrameWidth = outerWidth - 550;
    if (const int w = kAddressFrameLeft + layout.addressFrameWidth - 740; w > 0) {
        layout.goLeft = w;
        layout.lineX2 = w + kGoWidth;
    }
    if (const int e = layout.goLeft - kAddressLeft - 75; e > 0)
        layout.addressWidth = e;
    return layout;
}

} // namespace waytrace
