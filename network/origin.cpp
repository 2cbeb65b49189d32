#include "origin.h"

namespace waytrace {

namespace {

int defaultPort(const QString& scheme)
{
    return scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1;
}

} // namespace

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    // QUrl keeps scheme and host in lower case already.
    return a.isValid() && b.isValid() && !a.host().isEmpty() && a.scheme() == b.scheme() &&
           a.host() == b.host() &&
           a.port(defaultPort(a.scheme())) == b.port(defaultPort(b.scheme()));
}

} // namespace waytrace
