#pragma once

#include <QUrl>

namespace waytrace {

// Whether two addresses share an origin: scheme, host and port, the scheme's default port
// standing for a missing one (80 for http, 443 for https; other schemes have none). An invalid
// address, or one without a host, shares no origin with anything.
bool sameOrigin(const QUrl& a, const QUrl& b);

} // namespace waytrace
