#pragma once

#include <QProxyStyle>

namespace waytrace {

// The drop-down lists were designed around a slim button; the platform's wider one would hide
// the third digit of a response code, so the button gives the text that room back. A condition
// text still too wide for the design width (some Japanese ones) is drawn narrower rather than
// cut off, since its last characters decide between "equal" and "not equal".
class SlimDropDownStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override;
};

} // namespace waytrace
