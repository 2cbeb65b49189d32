#include "inspector_bodies.h"

#include "common/logging.h"
#include "navigation/body_waits.h"
#include "navigation/form_body.h"
#include "navigation/separate_bodies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <chrono>
#include <utility>

namespace waytrace {

namespace {

// The inspector's page brings the protocol's bindings; whatever it loads would start the front
// end, and nothing else is ever to load in it.
class FrontEndBlock : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        info.block(info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
                   info.requestUrl().scheme() != u"devtools");
    }
};

class InspectorProfile : public QWebEngineProfile
{
public:
    InspectorProfile()
    {
        setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        setSpellCheckEnabled(false);
        setUrlRequestInterceptor(&block_);
    }
    ~InspectorProfile() override { setUrlRequestInterceptor(nullptr); }

    InspectorProfile(const InspectorProfile&) = delete;
    InspectorProfile& operator=(const InspectorProfile&) = delete;

private:
    FrontEndBlock block_;
};

std::optional<FormBody> toldBody(const QJsonObject& message)
{
    const auto entries = message.value(u"entries");
    if (!entries.isArray())
        return std::nullopt;
    QByteArray bytes;
    for (const auto& entry : entries.toArray())
        bytes += QByteArray::fromBase64(entry.toString().toLatin1());
    return sentBody(bytes, message.value(u"type").toString().toLatin1());
}

} // namespace

class InspectorBodies::Page : public QWebEnginePage
{
public:
    Page(InspectorBodies& owner, QWebEngineProfile& profile)
        : QWebEnginePage(&profile), owner_(owner)
    {
    }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel /*level*/, const QString& message,
                                  int /*lineNumber*/, const QString& /*sourceId*/) override
    {
        owner_.relayed(message);
    }

private:
    InspectorBodies& owner_;
};

std::unique_ptr<QWebEngineProfile> InspectorBodies::makeProfile()
{
    return std::make_unique<InspectorProfile>();
}

InspectorBodies::InspectorBodies(Browser& browser, QWebEnginePage& inspected,
                                 QWebEngineProfile& profile, SeparateBodies* bodies,
                                 const QString& secret, const QString& relay)
    : browser_(browser), inspected_(inspected), bodies_(bodies), secret_(secret), relay_(relay),
      page_(std::make_unique<Page>(*this, profile))
{
    loadWait_.setSingleShot(true);
    loadWait_.setInterval(waits::kInspectorListening);
    connect(&loadWait_, &QTimer::timeout, this, [this] {
        qCWarning(logCapture) << "the inspector did not listen in time: a load went without it";
        releaseLoad();
    });
    connect(page_.get(), &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (ok) {
            page_->runJavaScript(relay_);
            return;
        }
        qCWarning(logCapture) << "the inspector did not load: bodies come from the pages";
        refused_ = true;
        releaseLoad();
    });
    // Its own process may die like any page's: it attaches again, and listens once more.
    connect(page_.get(), &QWebEnginePage::renderProcessTerminated, this, [this] {
        qCWarning(logCapture) << "the inspector's process ended: it attaches again";
        follow();
    });
    page_->setInspectedPage(&inspected_);
}

InspectorBodies::~InspectorBodies()
{
    page_->setInspectedPage(nullptr);
}

void InspectorBodies::follow()
{
    listening_ = false;
    // After the engine has let go of the contents the page had before.
    QTimer::singleShot(0, this, [this] {
        page_->setInspectedPage(nullptr);
        page_->setInspectedPage(&inspected_);
    });
}

void InspectorBodies::whenListening(std::function<void()> load)
{
    if (listening_ || refused_) {
        load();
        return;
    }
    waitingLoad_ = std::move(load);
    if (!loadWait_.isActive())
        loadWait_.start();
}

void InspectorBodies::releaseLoad()
{
    loadWait_.stop();
    if (auto load = std::exchange(waitingLoad_, nullptr))
        load();
}

void InspectorBodies::relayed(const QString& message)
{
    if (!message.startsWith(secret_))
        return;
    const auto report = QJsonDocument::fromJson(message.mid(secret_.size()).toUtf8()).object();
    const auto kind = report.value(u"kind").toString();
    const auto id = report.value(u"id").toString();
    if (kind == u"ready") {
        listening_ = true;
        releaseLoad();
    } else if (kind == u"document") {
        const auto text = report.value(u"text");
        if (documentTold_)
            documentTold_(report.value(u"url").toString(), text.toString(), text.isString());
    } else if (kind == u"body" && bodies_) {
        auto body = toldBody(report);
        qCDebug(logCapture) << "the engine told a body of" << (body ? body->postData.size() : -1)
                            << "bytes";
        bodies_->tellBody(&browser_, QUrl(report.value(u"url").toString()), id, std::move(body));
    } else if (kind == u"dropped" && bodies_) {
        bodies_->retractBody(&browser_, id);
    } else if (kind == u"refused") {
        qCWarning(logCapture) << "the engine's protocol refused to tell bodies:"
                              << report.value(u"error").toString()
                              << "- bodies come from the pages";
        refused_ = true;
        releaseLoad();
    }
}

} // namespace waytrace
