#pragma once

#include <QString>

namespace waytrace {

// A tooltip laid out as a small table: a caption and its value side by side, a value never
// broken inside (a size stays beside its unit, an address whole), and prose wrapped at a
// readable width, however long its line or whatever its script.
class TooltipTable
{
public:
    TooltipTable& heading(const QString& text);
    TooltipTable& row(const QString& caption, const QString& value);
    // A line kept whole, across both columns.
    TooltipTable& line(const QString& text);
    TooltipTable& prose(const QString& text);

    [[nodiscard]] bool isEmpty() const { return rows_.isEmpty(); }
    [[nodiscard]] QString html() const;

    static constexpr int kProseWidth = 360; // pixels

private:
    QString rows_;
};

} // namespace waytrace
