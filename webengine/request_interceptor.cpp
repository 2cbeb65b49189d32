#include "request_interceptor.h"

#include "engine_kinds.h"
#include "webengine_browser.h"
#include "webengine_session.h"

namespace waytrace {

void RequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const auto type = info.resourceType();
    if (!isNavigation(type).value_or(false))
        return;
    const bool mainFrame = type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
    const auto url = info.requestUrl();
    auto& attribution = session_.attribution();
    const auto source = attribution.takeRequest(url, mainFrame);
    auto* browser = qobject_cast<WebEngineBrowser*>(source.browser);
    const bool clientRedirect = isRedirect(info.navigationType()).value_or(false);
    // The step is the request the page made; the server's redirects are followed within it.
    if (attribution.isServerRedirect(source, url, mainFrame, clientRedirect,
                                     browser && browser->awaitingTopDocument())) {
        if (!mainFrame)
            attribution.frameRequestSent(source.browser, url, true);
        return;
    }
    const bool blocked =
        session_.queue().announce(source.browser, url, info.requestMethod() == "POST");
    if (blocked)
        info.block(true);
    else if (mainFrame && browser)
        browser->topRequestSent();
    else if (!mainFrame)
        attribution.frameRequestSent(source.browser, url, false);
}

} // namespace waytrace
