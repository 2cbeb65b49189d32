#include "trial_run_junit.h"

#include "core/secrets.h"

#include <QUrl>
#include <QUrlQuery>
#include <QXmlStreamWriter>

namespace waytrace {

namespace {

QString text(const std::u16string& value)
{
    return QString::fromStdU16String(value);
}

// Characters XML 1.0 cannot hold (a page's control characters, U+FFFE and U+FFFF, and a
// surrogate without its pair) become U+FFFD.
QString xmlSafe(QString value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate())
            ++i; // a pair: one character outside the BMP
        else if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') ||
                 c.unicode() >= 0xfffe || c.isSurrogate())
            value[i] = QChar(QChar::ReplacementCharacter);
    }
    return value;
}

QString seconds(qint64 milliseconds)
{
    return QString::number(static_cast<double>(milliseconds) / 1000.0, 'f', 3);
}

// An address as a report may show it: no user part, and the query's secret fields left out.
QString withoutUser(const QString& address)
{
    QUrl url = QUrl(address).adjusted(QUrl::RemoveUserInfo);
    if (url.hasQuery()) {
        QUrlQuery query(url);
        auto items = query.queryItems(QUrl::FullyEncoded);
        for (auto& [name, value] : items)
            if (namesCredential(QUrl::fromPercentEncoding(name.toUtf8()).toStdU16String(), true))
                value = QString::fromLatin1(kLeftOut);
        query.setQueryItems(items);
        url.setQuery(query);
    }
    return url.toDisplayString();
}

QString stepName(const JUnitStep& step)
{
    if (!step.label.isEmpty())
        return step.label;
    return (step.post ? QStringLiteral("POST ") : QStringLiteral("GET ")) +
           withoutUser(step.address);
}

QString differenceWords(const PageDifference& difference)
{
    switch (difference.kind) {
    case PageDifference::Kind::Status:
        return QStringLiteral("status: saw %1, got %2")
            .arg(text(difference.saw), text(difference.got));
    case PageDifference::Kind::Address:
        return QStringLiteral("address: saw %1, got %2")
            .arg(withoutUser(text(difference.saw)), withoutUser(text(difference.got)));
    case PageDifference::Kind::Title:
        return QStringLiteral("title: saw \"%1\", got \"%2\"")
            .arg(text(difference.saw), text(difference.got));
    case PageDifference::Kind::Text:
        break;
    }
    return QStringLiteral("text: %1% alike; saw \"%2\", got \"%3\"")
        .arg(difference.alikePercent)
        .arg(text(difference.saw), text(difference.got));
}

// The verdict and its reason, on one line; the details, a line each.
std::pair<QString, QStringList> failureOf(const TrialRunResult& result)
{
    QStringList details;
    if (result.status != 0)
        details << QStringLiteral("status %1, answered from %2")
                       .arg(result.status)
                       .arg(withoutUser(result.finalUrl));
    switch (verdictOf(result)) {
    case TrialRunVerdict::NoAnswer:
        details.prepend(failureWords(result));
        return {QStringLiteral("no answer: ") + failureWords(result), details};
    case TrialRunVerdict::WouldAlert: {
        QStringList fired;
        if (result.fires.requiredKeywords.value_or(false))
            fired << QStringLiteral("\"%1\" not found").arg(result.requiredKeywords);
        if (result.fires.forbiddenKeywords.value_or(false))
            fired << QStringLiteral("\"%1\" found").arg(result.forbiddenKeywords);
        if (result.fires.responseCondition.value_or(false)) {
            const auto record = result.record.lock();
            const QString condition =
                record ? text(std::u16string(conditionWords(record->responseCondition))) + u' ' +
                             QString::number(record->responseCode)
                       : QStringLiteral("as its condition says");
            fired << QStringLiteral("status %1 is %2").arg(result.status).arg(condition);
        }
        details << fired;
        return {QStringLiteral("would alert: ") + fired.join(QStringLiteral("; ")), details};
    }
    case TrialRunVerdict::Differs:
        for (const auto& difference : result.differences)
            details << differenceWords(difference);
        return {QStringLiteral("differs: ") + differenceWords(result.differences.front()), details};
    case TrialRunVerdict::Passed:
    case TrialRunVerdict::NotRun:
    case TrialRunVerdict::Stopped:
        break;
    }
    return {};
}

QString staleLines(const TrialRunResult& result)
{
    const auto record = result.record.lock();
    QStringList lines;
    for (const auto& field : result.staleFields) {
        const bool secret = !record || sendsSecret(*record, field.name);
        const auto value = [secret](const std::u16string& v) {
            return secret ? QString::fromLatin1(kLeftOut) : QStringLiteral("\"%1\"").arg(text(v));
        };
        QString line =
            QStringLiteral("stale field %1 (%2): sent %3")
                .arg(text(field.name),
                     field.kind == StaleField::Kind::Token ? QStringLiteral("token")
                                                           : QStringLiteral("changes per visit"),
                     value(field.recorded));
        if (!field.live.empty())
            line += QStringLiteral(", now %1").arg(value(field.live));
        if (field.offeredBy)
            line += QStringLiteral(", offered by step %1").arg(*field.offeredBy + 1);
        lines << line;
    }
    return lines.join(u'\n');
}

} // namespace

std::vector<JUnitStep> junitSteps(const RecordedSequence& sequence,
                                  const QList<TrialRunResult>& results)
{
    std::vector<JUnitStep> steps;
    int position = 0;
    for (const auto& record : sequence) {
        JUnitStep step{++position, text(record->displayName), record->method == HttpMethod::Post,
                       text(record->urlAddress), std::nullopt};
        for (const auto& result : results)
            if (result.position == position)
                step.result = result;
        steps.push_back(std::move(step));
    }
    return steps;
}

QByteArray trialRunJUnit(const QString& suite, const std::vector<JUnitStep>& steps)
{
    int failures = 0;
    int skipped = 0;
    qint64 milliseconds = 0;
    QDateTime started;
    for (const auto& step : steps) {
        if (!step.result) {
            ++skipped;
            continue;
        }
        failures += step.result->passed() ? 0 : 1;
        milliseconds += step.result->milliseconds;
        if (!started.isValid())
            started = step.result->exchange.started;
    }

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    // The one suite and the file as a whole say the same totals.
    for (const char* element : {"testsuites", "testsuite"}) {
        xml.writeStartElement(QString::fromLatin1(element));
        xml.writeAttribute(QStringLiteral("name"), xmlSafe(suite));
        xml.writeAttribute(QStringLiteral("tests"), QString::number(steps.size()));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
        xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("skipped"), QString::number(skipped));
        xml.writeAttribute(QStringLiteral("time"), seconds(milliseconds));
    }
    if (started.isValid())
        xml.writeAttribute(QStringLiteral("timestamp"),
                           started.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    for (const auto& step : steps) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("name"), xmlSafe(stepName(step)));
        xml.writeAttribute(QStringLiteral("classname"),
                           xmlSafe(suite + QStringLiteral(".step%1").arg(step.position)));
        xml.writeAttribute(QStringLiteral("time"),
                           seconds(step.result ? step.result->milliseconds : 0));
        if (!step.result) {
            xml.writeEmptyElement(QStringLiteral("skipped"));
            xml.writeAttribute(QStringLiteral("message"), QStringLiteral("not run"));
        } else if (!step.result->passed()) {
            const auto [message, details] = failureOf(*step.result);
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), xmlSafe(message));
            xml.writeAttribute(QStringLiteral("type"), message.section(u':', 0, 0));
            xml.writeCharacters(xmlSafe(details.join(u'\n')));
            xml.writeEndElement();
        }
        if (step.result && !step.result->staleFields.empty())
            xml.writeTextElement(QStringLiteral("system-out"), xmlSafe(staleLines(*step.result)));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace waytrace
