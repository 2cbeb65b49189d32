#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

namespace waytrace {

// How one answer to the upload ended, as far as the landing address needs to know.
struct UploadAnswer
{
    bool broken = false; // no usable answer: unreachable, cut off, malformed or out of time
    int status = 0;      // the HTTP status of the last answer
    QUrl finalUrl;       // the address that gave it
    QByteArray location; // its Location header, for a redirect
};

// The address where an upload of `requestUrl` landed, as the outcome classification reads it:
// - the final address after a 2xx answer (the request address itself when nothing moved it);
// - res://waytrace/http_<status>.htm#<request address> for any other status;
// - res://waytrace/dnserror.htm#<request address> for a broken answer.
QString landingAddress(const QString& requestUrl, const UploadAnswer& answer);

// Where a redirect answer may be followed: only a 301, 302, 303, 307 or 308 with a Location in
// the same origin (scheme, host, port) as `from`, to an address not visited yet. Anything
// else ends the upload on that status.
std::optional<QUrl> redirectTarget(const QUrl& from, const UploadAnswer& answer,
                                   const QSet<QUrl>& visited);

// Whether a redirect keeps the method and the body (307, 308); the others continue as a GET.
bool redirectKeepsBody(int status);

} // namespace waytrace
