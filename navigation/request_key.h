#pragma once

#include <QString>
#include <QUrl>

namespace waytrace {

// What identifies a request by its address: the engine never sends the fragment, so an address
// the page or the capture script names matches the request only without it.
inline QUrl requestKey(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment);
}

// The origin of an address as text ("http://host:8080"), for matching a frame's report with the
// request it made; empty for none.
inline QString originKey(const QUrl& url)
{
    return url
        .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                  QUrl::RemoveUserInfo)
        .toString(QUrl::FullyEncoded);
}

} // namespace waytrace
