#include "slim_drop_down_style.h"

#include <QPainter>
#include <QStyleOptionComplex>

#include <algorithm>

namespace waytrace {

void SlimDropDownStyle::drawControl(ControlElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const
{
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (element != CE_ComboBoxLabel || !combo || !widget) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect field = subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget);
    const int needed = painter->fontMetrics().horizontalAdvance(combo->currentText) + 2;
    if (needed <= field.width()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    QFont narrow = painter->font();
    narrow.setStretch(std::max(75, field.width() * 100 / needed));
    painter->setFont(narrow);
    QProxyStyle::drawControl(element, option, painter, widget);
    painter->restore();
}

QRect SlimDropDownStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                        SubControl part, const QWidget* widget) const
{
    QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
    if (control != CC_ComboBox || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField))
        return rect;
    constexpr int kButtonWidth = 12;
    const QRect button = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
    const int spare = button.width() - kButtonWidth;
    if (spare <= 0)
        return rect;
    if (part == SC_ComboBoxArrow)
        rect.setLeft(rect.left() + spare);
    else
        rect.adjust(-2, 0, spare, 0);
    return rect;
}

} // namespace waytrace
