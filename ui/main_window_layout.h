#pragma once

// The main window's layout rules: pure arithmetic over twips, so they are tested without a
// display; the window only applies the result. Values are plain ints, so very wide windows lay
// out too.

namespace waytrace {

// What the rules change. The rest of the window keeps its design geometry.
struct MainWindowLayout
{
    int browserWidth = 10575;
    int browserHeight = 11070;
    int commandFrameWidth = 10695;
    int addressFrameWidth = 10455;
    int goLeft = 9600;
    int lineX2 = 10560;
    int addressWidth = 8175;
};

// Design geometry the rules read.
inline constexpr int kAddressFrameLeft = 360;
inline constexpr int kAddressLeft = 1080;
inline constexpr int kGoWidth = 700;

// Lays the window out for its outer size. A guarded value that is not positive leaves its
// control as `previous` had it.
MainWindowLayout layoutMainWindow(int outerWidth, int outerHeight, MainWindowLayout previous);

} // namespace waytrace
