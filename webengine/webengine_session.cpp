#include "webengine_session.h"

#include "body_source.h"
#include "common/logging.h"
#include "navigation/capture_report.h"
#include "navigation/navigation_queue.h"
#include "navigation/request_attribution.h"
#include "page_prompts.h"
#include "request_interceptor.h"
#include "webengine_browser.h"

#include "inspector_bodies.h"

#if QT_VERSION < QT_VERSION_CHECK(6, 7, 0)
#include "navigation/reported_bodies.h"
#endif

#include <QFile>
#include <QRandomGenerator>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace waytrace {

namespace {

// A world of our own: the page's scripts cannot reach the capture script's objects.
constexpr quint32 kCaptureWorld = QWebEngineScript::UserWorld + 17;

QString randomSecret()
{
    QString secret;
    auto* random = QRandomGenerator::system();
    for (int i = 0; i < 4; ++i)
        secret += QString::number(random->generate(), 16).rightJustified(8, u'0');
    return QStringLiteral("wt") + secret + u':';
}

QString resourceText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("%s missing from the resources", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

// Every frame pays for what the script does, so it carries the body rebuilding only where the
// engine does not tell the bodies itself.
QString captureSource(const QString& secret)
{
    const auto bodies = RequestInterceptor::engineHandsBodies()
                            ? QString()
                            : resourceText(QStringLiteral(":/waytrace/capture_bodies.js"));
    return resourceText(QStringLiteral(":/waytrace/capture.js"))
        .replace(QStringLiteral("/*@BODIES@*/"), bodies)
        .replace(QStringLiteral("@SECRET@"), secret);
}

} // namespace

class WebEngineSession::Decisions : public NavigationDecisions
{
public:
    explicit Decisions(WebEngineSession& session) : session_(session) {}

    bool raise(Browser& browser, NavigationRequest& request) override
    {
        auto* web = qobject_cast<WebEngineBrowser*>(&browser);
        return web && web->raiseBeforeNavigate(request);
    }

    void cancelLate(Browser& browser) override
    {
        if (auto* web = qobject_cast<WebEngineBrowser*>(&browser)) {
            web->stop();
            session_.attribution().topRequestEnded(web);
        }
    }

    void confirmBody(Browser& browser, const NavigationRequest& request) override
    {
        if (auto* web = qobject_cast<WebEngineBrowser*>(&browser))
            web->confirmBody(request);
    }

private:
    WebEngineSession& session_;
};

std::shared_ptr<WebEngineSession> WebEngineSession::create()
{
    return std::shared_ptr<WebEngineSession>(new WebEngineSession());
}

WebEngineSession::WebEngineSession()
    : secret_(randomSecret()), decisions_(std::make_unique<Decisions>(*this)),
      queue_(std::make_unique<NavigationQueue>(*decisions_)),
      attribution_(std::make_unique<RequestAttribution>()),
      interceptor_(std::make_unique<RequestInterceptor>(*this)),
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
    acceptedCertificates_ = std::make_shared<AcceptedCertificates>();
    pagePrompts_ = std::make_unique<PagePrompts>(*profile_, *acceptedCertificates_);
#if QT_VERSION < QT_VERSION_CHECK(6, 7, 0)
    separateBodies_ = std::make_unique<ReportedBodies>(*decisions_);
    queue_->setSeparateBodies(separateBodies_.get());
#endif
}

WebEngineSession::~WebEngineSession()
{
    profile_->setUrlRequestInterceptor(nullptr);
}

std::unique_ptr<BodySource> WebEngineSession::bodySource(Browser& browser, QWebEnginePage& page)
{
    if (!inspectorProfile_)
        inspectorProfile_ = InspectorBodies::makeProfile();
    const auto relay = resourceText(QStringLiteral(":/waytrace/inspector_relay.js"))
                           .replace(QStringLiteral("@SECRET@"), secret_)
                           .replace(QStringLiteral("@BODIES@"),
                                    separateBodies_ ? QStringLiteral("yes") : QStringLiteral("no"));
    return std::make_unique<InspectorBodies>(browser, page, *inspectorProfile_,
                                             separateBodies_.get(), secret_, relay);
}

bool WebEngineSession::captureMessage(WebEngineBrowser* browser, const QString& message)
{
    auto report = readCaptureReport(message, secret_);
    if (!report)
        return false;
    using Kind = CaptureReport::Kind;
    switch (report->kind) {
    case Kind::Form:
        qCDebug(logCapture) << "form body of" << report->body.postData.size() << "bytes";
        if (separateBodies_)
            separateBodies_->offerBody(QUrl(report->url), std::move(report->body),
                                       QUrl(report->origin),
                                       report->announced ? SeparateBodies::Offer::InTurn
                                       : report->rebuilt ? SeparateBodies::Offer::Rebuilt
                                                         : SeparateBodies::Offer::Replacing);
        break;
    case Kind::Load:
        attribution_->frameDocumentLoaded(browser, QUrl(report->url));
        browser->frameLoaded(report->url);
        break;
    case Kind::Document:
        attribution_->topRequestEnded(browser);
        break;
    case Kind::Navigate:
        attribution_->frameNavigated(browser, QUrl(report->url));
        break;
    case Kind::Passwords:
        emit browser->passwordFieldsSent(report->names);
        break;
    case Kind::Unknown:
        qCWarning(logCapture) << "unreadable report from the capture script, kind"
                              << report->kindName;
        break;
    }
    return true;
}

} // namespace waytrace
