#include "tooltip_table.h"

namespace waytrace {

namespace {

// A cell never broken but at its own line breaks. (A tooltip wraps its text, and Qt's rich text
// then ignores <nobr>; white-space:pre holds.) `across`: both columns.
QString whole(const QString& text, bool across = false)
{
    return QStringLiteral("<td%1 style=\"white-space:pre\">%2</td>")
        .arg(across ? QStringLiteral(" colspan=\"2\"") : QString(), text.toHtmlEscaped());
}

} // namespace

TooltipTable& TooltipTable::heading(const QString& text)
{
    rows_ += QStringLiteral("<tr><td colspan=\"2\" style=\"white-space:pre\"><b>%1</b></td></tr>")
                 .arg(text.toHtmlEscaped());
    return *this;
}

TooltipTable& TooltipTable::row(const QString& caption, const QString& value)
{
    rows_ += QStringLiteral("<tr>%1%2</tr>").arg(whole(caption), whole(value));
    return *this;
}

TooltipTable& TooltipTable::line(const QString& text)
{
    rows_ += QStringLiteral("<tr>%1</tr>").arg(whole(text, true));
    return *this;
}

TooltipTable& TooltipTable::prose(const QString& text)
{
    rows_ += QStringLiteral("<tr><td colspan=\"2\" width=\"%1\">%2</td></tr>")
                 .arg(kProseWidth)
                 .arg(text.toHtmlEscaped());
    return *this;
}

QString TooltipTable::html() const
{
    return QStringLiteral("<qt><table cellspacing=\"0\" cellpadding=\"1\">") + rows_ +
           QStringLiteral("</table></qt>");
}

} // namespace waytrace
