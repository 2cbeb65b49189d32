#include "test_run_texts.h"

#include "text.h"

#include <QPainter>
#include <QPixmap>

namespace waytrace {

namespace {

QString failureText(const TestRunResult& result)
{
    switch (result.failure) {
    case TestRunFailure::Refused:
        return loadText(TextId::ConnectionRefused);
    case TestRunFailure::HostNotFound:
        return loadText(TextId::ServerNotFound);
    case TestRunFailure::Silent:
        return loadText(TextId::NoAnswer);
    case TestRunFailure::Secure:
        return loadText(TextId::SecureConnectionFailed);
    case TestRunFailure::BrokenOff:
        return loadText(TextId::AnswerBrokeOff);
    case TestRunFailure::Redirects:
        return loadText(TextId::TooManyRedirects);
    case TestRunFailure::None:
    case TestRunFailure::Other:
        break;
    }
    // Qt Network's own words, in English.
    return loadText(TextId::TestRunFailed).arg(result.failureDetail);
}

// A coloured disc, drawn here: desktop icon themes differ, and some have no such icons at all.
QIcon disc(const QColor& colour)
{
    constexpr int kSide = 32;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(4, 4, kSide - 8, kSide - 8));
    return QIcon(pixmap);
}

} // namespace

QString resultSummary(const TestRunResult& result)
{
    if (result.failure != TestRunFailure::None)
        return failureText(result);
    QStringList fired;
    if (result.fires.matchContent.value_or(false))
        fired << loadText(TextId::FiresKeywordsNotFound);
    if (result.fires.unavailabilityString.value_or(false))
        fired << loadText(TextId::FiresKeywordsFound);
    if (result.fires.httpCondition.value_or(false))
        fired << loadText(TextId::FiresResponseCode).arg(result.status);
    return fired.isEmpty() ? loadText(TextId::TestPassed) : fired.join(QStringLiteral(", "));
}

QString resultDetails(const TestRunResult& result)
{
    if (result.failure != TestRunFailure::None)
        return resultSummary(result);
    return loadText(TextId::TestRunDetails)
        .arg(result.status)
        .arg(result.milliseconds)
        .arg(result.size)
        .arg(result.finalUrl);
}

QString staleWarning(const QStringList& fields)
{
    return loadText(TextId::StaleFieldsWarning).arg(fields.join(QStringLiteral(", ")));
}

QString staleFlag(const QStringList& fields)
{
    return QStringLiteral("\u2691 ") + fields.join(QStringLiteral(", "));
}

TestRunIcons::TestRunIcons()
    : passed(disc(QColor(0x2e, 0x9e, 0x44))), fires(disc(QColor(0xe8, 0x8a, 0x00))),
      failed(disc(QColor(0xc8, 0x28, 0x28))), running(disc(Qt::lightGray))
{
}

const QIcon& TestRunIcons::of(const TestRunResult& result) const
{
    if (result.failure != TestRunFailure::None)
        return failed;
    return result.passed() ? passed : fires;
}

} // namespace waytrace
