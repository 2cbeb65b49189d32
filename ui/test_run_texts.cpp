#include "test_run_texts.h"

#include "text.h"

#include <QApplication>
#include <QStyle>

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
    case TestRunFailure::None:
    case TestRunFailure::Other:
        break;
    }
    return result.failureDetail;
}

QIcon standardIcon(QStyle::StandardPixmap pixmap)
{
    return QApplication::style()->standardIcon(pixmap);
}

} // namespace

QString resultSummary(const TestRunResult& result)
{
    if (result.failure != TestRunFailure::None)
        return loadText(TextId::NoConnection).arg(failureText(result));
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

QIcon resultIcon(const TestRunResult* result, bool stale)
{
    if (result == nullptr)
        return stale ? standardIcon(QStyle::SP_MessageBoxInformation) : QIcon();
    if (result->failure != TestRunFailure::None)
        return standardIcon(QStyle::SP_MessageBoxCritical);
    return standardIcon(result->passed() ? QStyle::SP_DialogApplyButton
                                         : QStyle::SP_MessageBoxWarning);
}

QIcon runningIcon()
{
    return standardIcon(QStyle::SP_BrowserReload);
}

} // namespace waytrace
