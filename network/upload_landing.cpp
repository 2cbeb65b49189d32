#include "upload_landing.h"

#include "origin.h"

namespace waytrace {

namespace {

QString errorPage(const QString& name, const QString& requestUrl)
{
    return QStringLiteral("res://waytrace/%1#%2").arg(name, requestUrl);
}

} // namespace

QString landingAddress(const QString& requestUrl, const UploadAnswer& answer)
{
    if (answer.broken)
        return errorPage(QStringLiteral("dnserror.htm"), requestUrl);
    if (answer.status >= 200 && answer.status < 300) {
        // The address as requested unless a redirect moved it: the outcome compares its tail.
        const bool moved = answer.finalUrl != QUrl(requestUrl);
        return moved ? answer.finalUrl.toString(QUrl::FullyEncoded) : requestUrl;
    }
    return errorPage(QStringLiteral("http_%1.htm").arg(answer.status), requestUrl);
}

bool redirectKeepsBody(int status)
{
    return status == 307 || status == 308;
}

std::optional<QUrl> redirectTarget(const QUrl& from, const UploadAnswer& answer,
                                   const QSet<QUrl>& visited)
{
    const int s = answer.status;
    if (answer.broken || answer.location.isEmpty() ||
        !(s == 301 || s == 302 || s == 303 || redirectKeepsBody(s)))
        return std::nullopt;
    const QUrl location = QUrl::fromEncoded(answer.location.trimmed(), QUrl::StrictMode);
    if (!location.isValid())
        return std::nullopt;
    QUrl target = from.resolved(location);
    target.setFragment({});
    if (!sameOrigin(from, target) || visited.contains(target))
        return std::nullopt;
    return target;
}

} // namespace waytrace
