#include "trial_run_texts.h"

#include "text.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygonF>

namespace waytrace {

namespace {

QString secureFailureText(std::optional<CertificateProblem> problem)
{
    const auto why = [](CertificateProblem problem) -> std::optional<TextId> {
        switch (problem) {
        case CertificateProblem::SelfSigned:
            return TextId::CertificateIsSelfSigned;
        case CertificateProblem::Expired:
            return TextId::CertificateOutOfDate;
        case CertificateProblem::WrongHost:
            return TextId::CertificateForAnotherHost;
        case CertificateProblem::UnknownAuthority:
            return TextId::CertificateIssuerUnknown;
        case CertificateProblem::Other:
            break;
        }
        return std::nullopt;
    };
    const QString failed = loadText(TextId::SecureConnectionFailed);
    const auto reason = problem ? why(*problem) : std::nullopt;
    return reason ? QStringLiteral("%1: %2").arg(failed, loadText(*reason)) : failed;
}

QString failureText(const TrialRunResult& result)
{
    switch (result.failure) {
    case TrialRunFailure::Refused:
        return loadText(TextId::ConnectionRefused);
    case TrialRunFailure::HostNotFound:
        return loadText(TextId::ServerNotFound);
    case TrialRunFailure::Silent:
        return loadText(TextId::NoAnswer);
    case TrialRunFailure::Stalled:
        return loadText(TextId::ServerStoppedSending).arg(stalledKilobytes(result));
    case TrialRunFailure::Secure:
        return secureFailureText(result.certificateProblem);
    case TrialRunFailure::BrokenOff:
        return loadText(TextId::AnswerBrokeOff);
    case TrialRunFailure::Redirects:
        return loadText(TextId::TooManyRedirects);
    case TrialRunFailure::TooSlow:
        return loadText(TextId::NoWholeAnswerInTime);
    case TrialRunFailure::Unreadable:
        return loadText(TextId::AnswerUnreadable).arg(result.failureDetail);
    case TrialRunFailure::BadHeaders:
        return loadText(TextId::HeaderLineRefused).arg(result.failureDetail);
    case TrialRunFailure::None:
    case TrialRunFailure::Other:
        break;
    }
    // Qt Network's own words, in English.
    return loadText(TextId::TrialRunFailed).arg(result.failureDetail);
}

enum class Shape
{
    Disc,
    Diamond,
    Ring,
    Square,
};

// A coloured sign, drawn here: desktop icon themes differ, and some have no such icons at all.
QIcon sign(const QColor& colour, Shape shape = Shape::Disc)
{
    constexpr int kSide = 32;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const QRectF box(4, 4, kSide - 8, kSide - 8);
    switch (shape) {
    case Shape::Disc:
        painter.drawEllipse(box);
        break;
    case Shape::Diamond:
        painter.drawPolygon(
            QPolygonF({QPointF(box.center().x(), 2), QPointF(kSide - 2, box.center().y()),
                       QPointF(box.center().x(), kSide - 2), QPointF(2, box.center().y())}));
        break;
    case Shape::Ring:
        painter.setPen(QPen(colour, 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(box.adjusted(2, 2, -2, -2));
        break;
    case Shape::Square:
        painter.drawRect(box.adjusted(3, 3, -3, -3));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

QString conditionText(const UrlRecord& record)
{
    // Known words are shown in the interface language, whichever language they were picked in.
    const std::u16string_view words = conditionWords(record.responseCondition);
    QString condition = QString::fromUtf16(words.data(), static_cast<qsizetype>(words.size()));
    if (const auto known = record.responseCondition.known()) {
        switch (*known) {
        case CodeCondition::GreaterThan:
            condition = loadText(TextId::GreaterThan);
            break;
        case CodeCondition::EqualTo:
            condition = loadText(TextId::EqualTo);
            break;
        case CodeCondition::NotEqualTo:
            condition = loadText(TextId::NotEqualTo);
            break;
        }
    }
    return condition + u' ' + QString::number(record.responseCode);
}

QString resultSummary(const TrialRunResult& result)
{
    if (result.failure != TrialRunFailure::None)
        return failureText(result);
    // Each keyword condition names its phrase: a step may have both.
    const auto naming = [](TextId id, const QString& phrase) {
        return QStringLiteral("%1: %2").arg(loadText(id), phrase);
    };
    QStringList fired;
    if (result.fires.requiredKeywords.value_or(false))
        fired << naming(TextId::FiresKeywordsNotFound, result.requiredKeywords);
    if (result.fires.forbiddenKeywords.value_or(false))
        fired << naming(TextId::FiresKeywordsFound, result.forbiddenKeywords);
    if (result.fires.responseCondition.value_or(false)) {
        // The status against the condition it met: "response code 500 (Greater than 200)".
        QString text = loadText(TextId::FiresResponseCode).arg(result.status);
        if (const auto record = result.record.lock())
            text += QStringLiteral(" (%1)").arg(conditionText(*record));
        fired << text;
    }
    if (!result.differences.empty())
        fired << differencesText(result);
    return fired.isEmpty() ? loadText(TextId::TestPassed) : fired.join(QStringLiteral(", "));
}

QString differencesText(const TrialRunResult& result)
{
    using Kind = PageDifference::Kind;
    QStringList texts;
    for (const auto& difference : result.differences) {
        const QString saw = QString::fromStdU16String(difference.saw);
        const QString got = QString::fromStdU16String(difference.got);
        switch (difference.kind) {
        case Kind::Status:
            texts << loadText(TextId::SawStatus).arg(saw, got);
            break;
        case Kind::Address:
            texts << loadText(TextId::SawAddress).arg(saw, got);
            break;
        case Kind::Title:
            texts << loadText(TextId::SawTitle).arg(saw, got);
            break;
        case Kind::Text: {
            QString text = loadText(TextId::TextDiffers) + QStringLiteral(" (") +
                           loadText(TextId::PhrasesInCommon).arg(difference.alikePercent);
            if (!saw.isEmpty() || !got.isEmpty())
                text += QStringLiteral("; ") + loadText(TextId::SawTitle).arg(saw, got);
            texts << text + u')';
            break;
        }
        }
    }
    return texts.join(QStringLiteral(", "));
}

QString runSummary(const TrialRunTally& tally)
{
    QString summary = tally.differ > 0 ? loadText(TextId::TrialRunSummaryWithDifferences)
                                             .arg(tally.passed)
                                             .arg(tally.fires)
                                             .arg(tally.failed)
                                             .arg(tally.differ)
                                       : loadText(TextId::TrialRunSummary)
                                             .arg(tally.passed)
                                             .arg(tally.fires)
                                             .arg(tally.failed);
    // Every step of the run is told, those not run and those the stop left too.
    for (const auto& [count, text] :
         {std::pair{tally.notRun, TextId::SummaryNotRun}, {tally.stopped, TextId::SummaryStopped}})
        if (count > 0)
            summary += loadText(TextId::SummarySeparator) + loadText(text).arg(count);
    return summary;
}

void TrialRunTally::count(TrialRunVerdict verdict)
{
    switch (verdict) {
    case TrialRunVerdict::NoAnswer:
        ++failed;
        break;
    case TrialRunVerdict::WouldAlert:
        ++fires;
        break;
    case TrialRunVerdict::Differs:
        ++differ;
        break;
    case TrialRunVerdict::NotRun:
        ++notRun;
        break;
    case TrialRunVerdict::Stopped:
        ++stopped;
        break;
    case TrialRunVerdict::Passed:
        ++passed;
        break;
    }
}

QString resultDetails(const TrialRunResult& result)
{
    if (result.failure != TrialRunFailure::None)
        return resultSummary(result);
    return loadText(TextId::TrialRunDetails)
        .arg(result.status)
        .arg(result.milliseconds)
        .arg(result.size)
        .arg(result.finalUrl);
}

QString staleWarning(const QStringList& fields)
{
    return loadText(TextId::StaleFieldsWarning).arg(fields.join(QStringLiteral(", ")));
}

QString liveStaleWarning(const std::vector<StaleField>& fields)
{
    QStringList details;
    for (const auto& field : fields) {
        const QString name = QString::fromStdU16String(field.name);
        if (!field.offeredBy) {
            details << loadText(TextId::StaleNotOffered).arg(name, staleKindText(field.kind));
            continue;
        }
        details << QStringLiteral("%1: %2").arg(
            staleKindText(field.kind), loadText(TextId::StaleValueDetail)
                                           .arg(name, QString::fromStdU16String(field.recorded),
                                                QString::fromStdU16String(field.live))
                                           .arg(*field.offeredBy + 1));
    }
    return loadText(TextId::StaleValuesWarning).arg(details.join(QStringLiteral(", ")));
}

QString staleKindText(StaleField::Kind kind)
{
    return loadText(kind == StaleField::Kind::Token ? TextId::StaleToken
                                                    : TextId::StaleChangesPerVisit);
}

QStringList fieldNames(const std::vector<StaleField>& fields)
{
    QStringList names;
    for (const auto& field : fields)
        names << QStringLiteral("%1 (%2)").arg(QString::fromStdU16String(field.name),
                                               staleKindText(field.kind));
    return names;
}

QString staleFlag(const QStringList& fields)
{
    return QStringLiteral("\u2691 ") + fields.join(QStringLiteral(", "));
}

TrialRunIcons::TrialRunIcons()
    : passed(sign(QColor(0x2e, 0x9e, 0x44))), fires(sign(QColor(0xe8, 0x8a, 0x00))),
      differs(sign(QColor(0x6a, 0x3d, 0xc8), Shape::Diamond)),
      failed(sign(QColor(0xc8, 0x28, 0x28))), notRun(sign(Qt::gray, Shape::Ring)),
      stopped(sign(Qt::darkGray, Shape::Square)), running(sign(Qt::lightGray))
{
}

const QIcon& TrialRunIcons::of(const TrialRunResult& result) const
{
    return of(verdictOf(result));
}

const QIcon& TrialRunIcons::of(TrialRunVerdict verdict) const
{
    switch (verdict) {
    case TrialRunVerdict::Passed:
        return passed;
    case TrialRunVerdict::WouldAlert:
        return fires;
    case TrialRunVerdict::Differs:
        return differs;
    case TrialRunVerdict::NoAnswer:
        return failed;
    case TrialRunVerdict::NotRun:
        return notRun;
    case TrialRunVerdict::Stopped:
        return stopped;
    }
    return notRun;
}

QString verdictText(TrialRunVerdict verdict)
{
    switch (verdict) {
    case TrialRunVerdict::Passed:
        return loadText(TextId::TestPassed);
    case TrialRunVerdict::WouldAlert:
        return loadText(TextId::VerdictWouldAlert);
    case TrialRunVerdict::Differs:
        return loadText(TextId::VerdictDiffers);
    case TrialRunVerdict::NoAnswer:
        return loadText(TextId::VerdictNoAnswer);
    case TrialRunVerdict::NotRun:
        return loadText(TextId::VerdictNotRun);
    case TrialRunVerdict::Stopped:
        return loadText(TextId::VerdictStopped);
    }
    return {};
}

QString adviceText(TrialRunVerdict verdict)
{
    switch (verdict) {
    case TrialRunVerdict::Passed:
        return {};
    case TrialRunVerdict::WouldAlert:
        return loadText(TextId::AdviceWouldAlert);
    case TrialRunVerdict::Differs:
        return loadText(TextId::AdviceDiffers);
    case TrialRunVerdict::NoAnswer:
        return loadText(TextId::AdviceNoAnswer);
    case TrialRunVerdict::NotRun:
        return loadText(TextId::AdviceNotRun);
    case TrialRunVerdict::Stopped:
        return loadText(TextId::AdviceStopped);
    }
    return {};
}

} // namespace waytrace
