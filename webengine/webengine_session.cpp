#include "webengine_session.h"

#include "common/logging.h"
#include "engine_kinds.h"
#include "navigation/form_body.h"
#include "webengine_browser.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInterceptor>

#include <algorithm>

namespace waytrace {

namespace {

// A world of our own: the page's scripts cannot reach the capture script's objects.
constexpr quint32 kCaptureWorld = QWebEngineScript::UserWorld + 17;
// How long a page's announcement that it navigates stays good for the interceptor.
constexpr qint64 kExpectationMs = 10000;

QString randomSecret()
{
    QString secret;
    auto* random = QRandomGenerator::system();
    for (int i = 0; i < 4; ++i)
        secret += QString::number(random->generate(), 16).rightJustified(8, u'0');
    return QStringLiteral("wt") + secret + u':';
}

QString captureSource(const QString& secret)
{
    QFile file(QStringLiteral(":/waytrace/capture.js"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("capture script missing from the resources");
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("@SECRET@"), secret);
}

// The capture script reports names and values already encoded in the form's charset, one
// character per byte.
FormBody formBody(const QJsonObject& report)
{
    QList<FormEntry> entries;
    for (const auto& item : report.value(QStringLiteral("entries")).toArray()) {
        const auto entry = item.toArray();
        FormEntry formEntry;
        formEntry.name = entry.at(0).toString().toLatin1();
        formEntry.value = entry.at(1).toString().toLatin1();
        if (entry.size() > 2) {
            formEntry.isFile = true;
            formEntry.fileType = entry.at(2).toString().toUtf8();
        }
        entries.append(formEntry);
    }
    const auto encoding = formEncoding(report.value(QStringLiteral("enctype")).toString());
    return serializeForm(entries, encoding,
                         encoding == FormEncoding::Multipart ? newMultipartBoundary()
                                                             : QByteArray());
}

} // namespace

// Sees every request of every page of the profile, on the UI thread, before it is sent.
class RequestInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    explicit RequestInterceptor(WebEngineSession& session) : session_(session) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const auto type = info.resourceType();
        if (!isNavigation(type).value_or(false))
            return;
        const bool mainFrame = type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
        const auto url = info.requestUrl();
        const auto source = session_.takeRequest(url, mainFrame);
        const bool clientRedirect = isRedirect(info.navigationType()).value_or(false);
        // The step is the request the page made; the server's redirects are followed within it.
        if (session_.isServerRedirect(source, url, mainFrame, clientRedirect)) {
            if (!mainFrame)
                session_.frameRequestSent(source.browser, url, true);
            return;
        }
        const bool blocked =
            session_.queue().announce(source.browser, url, info.requestMethod() == "POST");
        if (blocked)
            info.block(true);
        else if (mainFrame && source.browser)
            source.browser->topRequestSent();
        else if (!mainFrame)
            session_.frameRequestSent(source.browser, url, false);
    }

private:
    WebEngineSession& session_;
};

std::shared_ptr<WebEngineSession> WebEngineSession::create()
{
    return std::shared_ptr<WebEngineSession>(new WebEngineSession());
}

WebEngineSession::WebEngineSession()
    : secret_(randomSecret()), interceptor_(std::make_unique<RequestInterceptor>(*this)),
      // No storage name: off the record, cookies and cache in memory only.
      profile_(std::make_unique<QWebEngineProfile>())
{
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile_->setSpellCheckEnabled(false);
    profile_->setUrlRequestInterceptor(interceptor_.get());

    QWebEngineScript script;
    script.setName(QStringLiteral("waytrace-capture"));
    script.setSourceCode(captureSource(secret_));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(kCaptureWorld);
    script.setRunsOnSubFrames(true);
    profile_->scripts()->insert(script);

    queue_.setLateCancel([](Browser* browser) {
        if (auto* web = qobject_cast<WebEngineBrowser*>(browser)) {
            web->stop();
            web->topRequestEnded();
        }
    });
}

WebEngineSession::~WebEngineSession()
{
    profile_->setUrlRequestInterceptor(nullptr);
}

void WebEngineSession::addBrowser(WebEngineBrowser* browser)
{
    browsers_.removeAll(nullptr);
    browsers_.append(browser);
}

void WebEngineSession::expectRequest(WebEngineBrowser* browser, const QUrl& url, bool redirect)
{
    const auto now = QDateTime::currentMSecsSinceEpoch();
    expected_.removeIf([&](const Expected& expected) {
        return !expected.browser || now - expected.at > kExpectationMs;
    });
    expected_.append({browser, url.adjusted(QUrl::RemoveFragment), now, redirect});
}

void WebEngineSession::expectNewWindow(WebEngineBrowser* browser)
{
    newWindow_ = browser;
}

WebEngineSession::RequestSource WebEngineSession::takeRequest(const QUrl& url, bool mainFrame)
{
    const auto key = url.adjusted(QUrl::RemoveFragment);
    for (qsizetype i = 0; i < expected_.size(); ++i) {
        if (expected_[i].url == key && expected_[i].browser) {
            const RequestSource source{expected_[i].browser.data(), expected_[i].redirect};
            expected_.removeAt(i);
            if (source.browser == newWindow_)
                newWindow_.clear();
            return source;
        }
    }
    // The first request of a new window can come before its page is told of it.
    if (mainFrame && newWindow_) {
        auto* browser = newWindow_.data();
        newWindow_.clear();
        return {browser};
    }
    for (const auto& browser : browsers_)
        if (browser)
            return {browser};
    return {};
}

// How this engine tells the two kinds of redirect apart (measured; see the engine tests):
// - the page is told of both kinds as a redirect;
// - the interceptor sees a client redirect typed Redirect, and the follow-up of a server's
//   redirect typed as the request it follows (Link, Typed, FormSubmitted, Other).
// So a request the page was told of as a redirect but that the interceptor types otherwise is a
// server's. When the request followed is itself a client redirect, both are typed Redirect. In
// the top frame the follow-up then comes before the document of the request it follows was
// created, which a client redirect never does. In a frame, a navigation that the frame's own
// document started was told to it (its navigate event), a server's redirect never is; one the
// frame's document could not tell (a first document of its own) is a server's redirect only
// while a request of a frame is still waiting for its document to load.
bool WebEngineSession::isServerRedirect(const RequestSource& source, const QUrl& url,
                                        bool mainFrame, bool clientRedirect)
{
    if (!source.toldRedirect)
        return false;
    if (!clientRedirect)
        return true;
    if (mainFrame)
        return source.browser && source.browser->awaitingTopDocument();
    dropStaleFrameNotes();
    const auto key = url.adjusted(QUrl::RemoveFragment);
    for (qsizetype i = 0; i < frameNavigations_.size(); ++i) {
        if (frameNavigations_[i].url == key && frameNavigations_[i].browser == source.browser) {
            frameNavigations_.removeAt(i);
            return false;
        }
    }
    return std::any_of(frameRequests_.cbegin(), frameRequests_.cend(),
                       [&](const Expected& sent) { return sent.browser == source.browser; });
}

void WebEngineSession::dropStaleFrameNotes()
{
    const auto now = QDateTime::currentMSecsSinceEpoch();
    const auto stale = [&](const Expected& entry) {
        return !entry.browser || now - entry.at > kExpectationMs;
    };
    frameNavigations_.removeIf(stale);
    frameRequests_.removeIf(stale);
}

void WebEngineSession::frameRequestSent(WebEngineBrowser* browser, const QUrl& url, bool redirected)
{
    dropStaleFrameNotes();
    const auto key = url.adjusted(QUrl::RemoveFragment);
    const auto now = QDateTime::currentMSecsSinceEpoch();
    if (redirected) {
        // The newest request of the browser's frames moved on: its document comes at `url`.
        for (auto it = frameRequests_.rbegin(); it != frameRequests_.rend(); ++it) {
            if (it->browser == browser) {
                it->url = key;
                it->at = now;
                return;
            }
        }
    }
    frameRequests_.append({browser, key, now});
}

void WebEngineSession::frameDocumentLoaded(WebEngineBrowser* browser, const QString& url)
{
    const auto key = QUrl(url).adjusted(QUrl::RemoveFragment);
    const auto found =
        std::find_if(frameRequests_.cbegin(), frameRequests_.cend(), [&](const Expected& sent) {
            return sent.browser == browser && sent.url == key;
        });
    if (found != frameRequests_.cend())
        frameRequests_.erase(found);
    browser->frameLoaded(url);
}

void WebEngineSession::frameNavigated(WebEngineBrowser* browser, const QUrl& url)
{
    dropStaleFrameNotes();
    frameNavigations_.append(
        {browser, url.adjusted(QUrl::RemoveFragment), QDateTime::currentMSecsSinceEpoch()});
}

bool WebEngineSession::captureMessage(WebEngineBrowser* browser, const QString& message)
{
    if (!message.startsWith(secret_))
        return false;
    const auto report =
        QJsonDocument::fromJson(QStringView(message).mid(secret_.size()).toUtf8()).object();
    const auto kind = report.value(QStringLiteral("kind")).toString();
    if (kind == QLatin1String("form")) {
        auto body = formBody(report);
        qCDebug(logCapture) << "form body of" << body.postData.size() << "bytes";
        queue_.offerBody(QUrl(report.value(QStringLiteral("action")).toString()), std::move(body));
    } else if (kind == QLatin1String("load"))
        frameDocumentLoaded(browser, report.value(QStringLiteral("url")).toString());
    else if (kind == QLatin1String("document"))
        browser->topRequestEnded();
    else if (kind == QLatin1String("navigate"))
        frameNavigated(browser, QUrl(report.value(QStringLiteral("url")).toString()));
    else
        qCWarning(logCapture) << "unreadable report from the capture script, kind" << kind;
    return true;
}

} // namespace waytrace
