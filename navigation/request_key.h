#pragma once

#include <QUrl>

namespace waytrace {

// What identifies a request by its address: the engine never sends the fragment, so an address
// the page or the capture script names matches the request only without it.
inline QUrl requestKey(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment);
}

} // namespace waytrace
