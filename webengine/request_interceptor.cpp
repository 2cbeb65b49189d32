#include "request_interceptor.h"

#include "engine_kinds.h"
#include "webengine_browser.h"

#include "navigation/navigation_queue.h"
#include "navigation/request_attribution.h"
#include "webengine_session.h"

#include "common/logging.h"
#include "navigation/form_body.h"

#include <algorithm>
#include <optional>

namespace waytrace {

namespace {

// From Qt 6.7 on the engine hands the interceptor a request's body: the bytes it sends, which
// no page can forge. Before that, the capture script rebuilds bodies inside the pages.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
constexpr bool kEngineHandsBodies = true;

// Beyond this a body is recorded cut short: only a file upload gets there, and file contents
// are left out of the record anyway.
constexpr qint64 kBodyLimit = qint64{64} << 20;

std::optional<FormBody> engineBody(QWebEngineUrlRequestInfo& info)
{
    const auto contentType = info.httpHeaders().value(QByteArrayLiteral("Content-Type"));
    auto* device = info.requestBody();
    if (!device || !(device->isOpen() || device->open(QIODevice::ReadOnly | QIODevice::Unbuffered)))
        return sentBody({}, contentType);
    // The engine's device (6.7, 6.8) restarts a part of the body on every read that does not
    // take that part whole, and may write one read's length past where the read began: read
    // once, into room for twice that length. Untouched room is never committed.
    QByteArray bytes(2 * kBodyLimit, Qt::Uninitialized);
    const auto read = device->read(bytes.data(), kBodyLimit);
    bytes.truncate(std::clamp<qint64>(read, 0, kBodyLimit));
    if (read >= kBodyLimit)
        qCWarning(logCapture) << "a body of more than" << (kBodyLimit >> 20) << "MiB to"
                              << info.requestUrl().adjusted(QUrl::RemoveQuery |
                                                            QUrl::RemoveUserInfo)
                              << "is recorded cut short";
    bytes.squeeze();
    return sentBody(bytes, contentType);
}
#else
constexpr bool kEngineHandsBodies = false;

std::optional<FormBody> engineBody(QWebEngineUrlRequestInfo& /*info*/)
{
    return std::nullopt;
}
#endif

} // namespace

bool RequestInterceptor::engineHandsBodies()
{
    return kEngineHandsBodies;
}

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
    if (attribution.isServerRedirect(source, url, mainFrame, clientRedirect)) {
        if (!mainFrame)
            attribution.frameRequestSent(source.browser, url, true);
        return;
    }
    const bool post = info.requestMethod() == "POST";
    // The application's own requests carry their bodies from navigate().
    const bool told = browser && browser->bodiesTold();
    const bool blocked =
        session_.queue().announce(source.browser, url, post, post ? engineBody(info) : std::nullopt,
                                  info.initiator(), told, !mainFrame);
    if (blocked)
        info.block(true);
    else if (mainFrame && source.browser)
        attribution.topRequestSent(source.browser);
    else if (!mainFrame)
        attribution.frameRequestSent(source.browser, url, false);
}

} // namespace waytrace
