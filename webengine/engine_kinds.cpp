#include "engine_kinds.h"

namespace waytrace {

std::optional<bool> isNavigation(QWebEngineUrlRequestInfo::ResourceType type)
{
    using Info = QWebEngineUrlRequestInfo;
    switch (type) {
    case Info::ResourceTypeMainFrame:
    case Info::ResourceTypeSubFrame:
        return true;
    // What a page loads into itself, and what the engine sends on its own.
    case Info::ResourceTypeStylesheet:
    case Info::ResourceTypeScript:
    case Info::ResourceTypeImage:
    case Info::ResourceTypeFontResource:
    case Info::ResourceTypeSubResource:
    case Info::ResourceTypeObject:
    case Info::ResourceTypeMedia:
    case Info::ResourceTypeWorker:
    case Info::ResourceTypeSharedWorker:
    case Info::ResourceTypePrefetch:
    case Info::ResourceTypeFavicon:
    case Info::ResourceTypeXhr:
    case Info::ResourceTypePing:
    case Info::ResourceTypeServiceWorker:
    case Info::ResourceTypeCspReport:
    case Info::ResourceTypePluginResource:
    // A service worker's preload goes along with a navigation the frame types already report.
    case Info::ResourceTypeNavigationPreloadMainFrame:
    case Info::ResourceTypeNavigationPreloadSubFrame:
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    case Info::ResourceTypeJson: // a JSON module a script imports
#endif
    case Info::ResourceTypeWebSocket:
    case Info::ResourceTypeUnknown:
        return false;
    }
    return std::nullopt;
}

std::optional<bool> isRedirect(QWebEngineUrlRequestInfo::NavigationType type)
{
    using Info = QWebEngineUrlRequestInfo;
    switch (type) {
    case Info::NavigationTypeRedirect:
        return true;
    case Info::NavigationTypeLink:
    case Info::NavigationTypeTyped:
    case Info::NavigationTypeFormSubmitted:
    case Info::NavigationTypeBackForward:
    case Info::NavigationTypeReload:
    case Info::NavigationTypeOther:
        return false;
    }
    return std::nullopt;
}

std::optional<bool> isRedirect(QWebEnginePage::NavigationType type)
{
    // The engine numbers the page's navigation types as the interceptor's.
    static_assert(static_cast<int>(QWebEnginePage::NavigationTypeRedirect) ==
                  static_cast<int>(QWebEngineUrlRequestInfo::NavigationTypeRedirect));
    static_assert(static_cast<int>(QWebEnginePage::NavigationTypeOther) ==
                  static_cast<int>(QWebEngineUrlRequestInfo::NavigationTypeOther));
    return isRedirect(static_cast<QWebEngineUrlRequestInfo::NavigationType>(type));
}

std::optional<bool> opensInPopup(QWebEnginePage::WebWindowType type)
{
    switch (type) {
    case QWebEnginePage::WebBrowserWindow:
    case QWebEnginePage::WebBrowserTab:
    case QWebEnginePage::WebDialog:
    case QWebEnginePage::WebBrowserBackgroundTab:
        return true;
    }
    return std::nullopt;
}

} // namespace waytrace
