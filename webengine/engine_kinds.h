#pragma once

// What the adapter makes of each kind of request, navigation and window the engine names. Every
// value the engine has is listed in a switch, mapped or deliberately ignored: a value the engine
// adds later stops the build (warnings are errors) until it is decided.

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInfo>

#include <optional>

namespace waytrace {

// Whether a request of this kind is a navigation (of the top page or a frame), the only
// requests that are recorded.
std::optional<bool> isNavigation(QWebEngineUrlRequestInfo::ResourceType type);

// Whether a navigation of this kind is a redirect: at the interceptor a client redirect, which is
// a step; before it (acceptNavigationRequest) also a server redirect, which is not.
std::optional<bool> isRedirect(QWebEngineUrlRequestInfo::NavigationType type);
std::optional<bool> isRedirect(QWebEnginePage::NavigationType type);

// Whether a new window of this kind opens in the popup browser: every kind does, since the
// recording needs the page whatever its window would have looked like.
std::optional<bool> opensInPopup(QWebEnginePage::WebWindowType type);

} // namespace waytrace
