#include "webengine_session.h"

#include "form_body.h"
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

FormBody formBody(const QJsonObject& report)
{
    QList<FormEntry> entries;
    for (const auto& item : report.value(QStringLiteral("entries")).toArray()) {
        const auto entry = item.toArray();
        FormEntry formEntry;
        formEntry.name = entry.at(0).toString();
        formEntry.value = entry.at(1).toString();
        if (entry.size() > 2) {
            formEntry.isFile = true;
            formEntry.fileType = entry.at(2).toString();
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
        const bool mainFrame = type == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
        if (!mainFrame && type != QWebEngineUrlRequestInfo::ResourceTypeSubFrame)
            return;
        // The page asked for one address; the server's redirects are not the page's requests.
        if (info.navigationType() == QWebEngineUrlRequestInfo::NavigationTypeRedirect)
            return;
        const auto url = info.requestUrl();
        auto* owner = session_.requestOwner(url, mainFrame);
        if (session_.queue().announce(owner, url, info.requestMethod() == "POST"))
            info.block(true);
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
        if (auto* web = qobject_cast<WebEngineBrowser*>(browser))
            web->stop();
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

void WebEngineSession::expectRequest(WebEngineBrowser* browser, const QUrl& url)
{
    const auto now = QDateTime::currentMSecsSinceEpoch();
    expected_.removeIf([&](const Expected& expected) {
        return !expected.browser || now - expected.at > kExpectationMs;
    });
    expected_.append({browser, url.adjusted(QUrl::RemoveFragment), now});
}

void WebEngineSession::expectNewWindow(WebEngineBrowser* browser)
{
    newWindow_ = browser;
}

WebEngineBrowser* WebEngineSession::requestOwner(const QUrl& url, bool mainFrame)
{
    const auto key = url.adjusted(QUrl::RemoveFragment);
    for (qsizetype i = 0; i < expected_.size(); ++i) {
        if (expected_[i].url == key && expected_[i].browser) {
            auto* browser = expected_[i].browser.data();
            expected_.removeAt(i);
            if (browser == newWindow_)
                newWindow_.clear();
            return browser;
        }
    }
    // The first request of a new window can come before its page is told of it.
    if (mainFrame && newWindow_) {
        auto* browser = newWindow_.data();
        newWindow_.clear();
        return browser;
    }
    for (const auto& browser : browsers_)
        if (browser)
            return browser;
    return nullptr;
}

bool WebEngineSession::captureMessage(WebEngineBrowser* browser, const QString& message)
{
    if (!message.startsWith(secret_))
        return false;
    const auto report =
        QJsonDocument::fromJson(QStringView(message).mid(secret_.size()).toUtf8()).object();
    const auto kind = report.value(QStringLiteral("kind")).toString();
    if (kind == QLatin1String("form"))
        queue_.offerBody(QUrl(report.value(QStringLiteral("action")).toString()), formBody(report));
    else if (kind == QLatin1String("load"))
        browser->frameLoaded(report.value(QStringLiteral("url")).toString());
    return true;
}

} // namespace waytrace
