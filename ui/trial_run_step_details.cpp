#include "trial_run_step_details.h"

#include "text.h"
#include "trial_run_texts.h"

#include <QStringList>

namespace waytrace {

namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"));
}

QString escaped(const std::u16string& text)
{
    return escaped(QString::fromStdU16String(text));
}

// A table with a heading row where there are headings; cells are escaped already.
QString table(const QStringList& headings, const QList<QStringList>& rows)
{
    QString html = QStringLiteral("<table cellspacing=0 cellpadding=3 border=1>");
    if (!headings.isEmpty()) {
        html += QStringLiteral("<tr>");
        for (const auto& heading : headings)
            html += QStringLiteral("<th align=left>%1</th>").arg(heading.toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    for (const auto& row : rows) {
        html += QStringLiteral("<tr>");
        for (const auto& cell : row)
            html += QStringLiteral("<td valign=top>%1</td>").arg(cell);
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString heading(TextId id)
{
    return QStringLiteral("<h4>%1</h4>").arg(loadText(id).toHtmlEscaped());
}

QString firing(std::optional<bool> fires)
{
    if (!fires)
        return loadText(TextId::ConditionNotChecked).toHtmlEscaped();
    return *fires
               ? QStringLiteral("<b>%1</b>").arg(loadText(TextId::ConditionFired).toHtmlEscaped())
               : loadText(TextId::ConditionNotFired).toHtmlEscaped();
}

QString conditionsHtml(const TrialRunResult& result, const UrlRecord* record)
{
    QList<QStringList> rows;
    if (!result.requiredKeywords.isEmpty())
        rows.append({loadText(TextId::KeywordsNotFound).toHtmlEscaped(),
                     escaped(result.requiredKeywords), firing(result.fires.requiredKeywords)});
    if (!result.forbiddenKeywords.isEmpty())
        rows.append({loadText(TextId::KeywordsFound).toHtmlEscaped(),
                     escaped(result.forbiddenKeywords), firing(result.fires.forbiddenKeywords)});
    if (record && !conditionWords(record->responseCondition).empty())
        rows.append({loadText(TextId::ResponseCodeIs).toHtmlEscaped(),
                     escaped(conditionText(*record)), firing(result.fires.responseCondition)});
    if (rows.isEmpty())
        return heading(TextId::Conditions) +
               QStringLiteral("<p>%1</p>").arg(loadText(TextId::NoConditionsSet).toHtmlEscaped());
    return heading(TextId::Conditions) + table({}, rows);
}

QString differencesHtml(const TrialRunResult& result)
{
    using Kind = PageDifference::Kind;
    QList<QStringList> rows;
    for (const auto& difference : result.differences) {
        QString what;
        switch (difference.kind) {
        case Kind::Status:
            what = loadText(TextId::ColumnStatus);
            break;
        case Kind::Address:
            what = loadText(TextId::ColumnAddress);
            break;
        case Kind::Title:
            what = loadText(TextId::DifferenceTitle);
            break;
        case Kind::Text:
            what = QStringLiteral("%1 (%2)").arg(
                loadText(TextId::DifferenceText),
                loadText(TextId::PhrasesInCommon).arg(difference.alikePercent));
            break;
        }
        rows.append({what.toHtmlEscaped(), escaped(difference.saw), escaped(difference.got)});
    }
    return heading(TextId::Differences) +
           table({QString(), loadText(TextId::WhatYouSaw), loadText(TextId::WhatReplayGot)}, rows);
}

QString staleHtml(const std::vector<StaleField>& fields)
{
    QList<QStringList> rows;
    for (const auto& field : fields) {
        const QString offered = field.offeredBy
                                    ? QString::number(*field.offeredBy + 1)
                                    : loadText(TextId::NotOfferedByAnyPage).toHtmlEscaped();
        rows.append({escaped(field.name), staleKindText(field.kind).toHtmlEscaped(),
                     escaped(field.recorded), escaped(field.live), offered});
    }
    return heading(TextId::StaleFieldsHeading) +
           table({loadText(TextId::FieldName), QString(), loadText(TextId::RecordedValue),
                  loadText(TextId::ValueNow), loadText(TextId::OfferedByStep)},
                 rows);
}

} // namespace

QString stepDetailsHtml(const TrialRunReport::Step& step, std::optional<TrialRunVerdict> verdict)
{
    QString html =
        QStringLiteral("<h3>%1. %2 %3</h3>")
            .arg(step.position)
            .arg(step.post ? QStringLiteral("POST") : QStringLiteral("GET"), escaped(step.address));
    if (!step.label.isEmpty())
        html += QStringLiteral("<p>%1: %2</p>")
                    .arg(loadText(TextId::ColumnLabel).toHtmlEscaped(), escaped(step.label));
    if (verdict)
        html += QStringLiteral("<p><b>%1</b></p>").arg(verdictText(*verdict).toHtmlEscaped());
    QStringList advice;
    if (step.result && step.result->failure == TrialRunFailure::Stalled)
        advice << loadText(TextId::AdviceStoppedSending); // not "check the address"
    else if (verdict && *verdict != TrialRunVerdict::Passed)
        advice << adviceText(*verdict);
    if (const auto& result = step.result) {
        html += QStringLiteral("<p>%1</p>").arg(escaped(resultDetails(*result)));
        if (result->failure == TrialRunFailure::None)
            html += conditionsHtml(*result, step.record.lock().get());
        if (!result->differences.empty())
            html += differencesHtml(*result);
        if (!result->staleFields.empty()) {
            html += staleHtml(result->staleFields);
            advice << loadText(TextId::AdviceStale);
        }
    }
    for (const auto& line : advice)
        html += QStringLiteral("<p><i>%1</i></p>").arg(line.toHtmlEscaped());
    return html;
}

} // namespace waytrace
