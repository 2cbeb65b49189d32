#include "webengine_browser.h"

#include "body_source.h"
#include "browser/twips.h"
#include "common/header_lines.h"
#include "engine_kinds.h"
#include "page_prompts.h"

#include "navigation/body_waits.h"
#include "navigation/form_body.h"
#include "navigation/navigation_queue.h"
#include "navigation/request_attribution.h"
#include "navigation/request_key.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace waytrace {

class WebEngineBrowser::Page : public QWebEnginePage
{
public:
    Page(WebEngineBrowser& owner, QWebEngineProfile* profile)
        : QWebEnginePage(profile), owner_(owner)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type,
                                 bool /*isMainFrame*/) override
    {
        // Only to learn whose request the interceptor sees next and whether it is a redirect;
        // cancel is decided there.
        owner_.session_->attribution().expectRequest(&owner_, url,
                                                     isRedirect(type).value_or(false));
        return true;
    }

    QWebEnginePage* createWindow(WebWindowType type) override
    {
        if (!opensInPopup(type).value_or(true))
            return nullptr;
        NewWindowRequest request;
        emit owner_.newWindow2(request);
        auto* browser = qobject_cast<WebEngineBrowser*>(request.browser());
        if (request.isCancelled() || !browser || browser == &owner_ ||
            browser->session_ != owner_.session_)
            return nullptr;
        browser->childWindow_ = true;
        browser->session_->attribution().expectNewWindow(browser);
        browser->inspectAdopted();
        return browser->page_.get();
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel /*level*/, const QString& message,
                                  int /*lineNumber*/, const QString& /*sourceId*/) override
    {
        owner_.session_->captureMessage(&owner_, message);
    }

    // The page's own dialogs go to whoever answers the session's questions.
    void javaScriptAlert(const QUrl& origin, const QString& text) override
    {
        owner_.session_->pagePrompts().alert(owner_, origin, text);
    }

    bool javaScriptConfirm(const QUrl& origin, const QString& text) override
    {
        return owner_.session_->pagePrompts().confirm(owner_, origin, text);
    }

    bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& value,
                          QString* result) override
    {
        return owner_.session_->pagePrompts().prompt(owner_, origin, text, value, result);
    }

private:
    WebEngineBrowser& owner_;
};

WebEngineBrowser::WebEngineBrowser(std::shared_ptr<WebEngineSession> session, QObject* parent)
    : Browser(parent), session_(std::move(session)),
      page_(std::make_unique<Page>(*this, session_->profile())),
      view_(new QWebEngineView()) // placed by a window; deleted here unless its window went first
{
    view_->setPage(page_.get());
    // The engine's own menu, with what the listeners offer about the page added.
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, &WebEngineBrowser::showPageMenu);
    session_->attribution().addBrowser(this);
    connect(page_.get(), &QWebEnginePage::loadFinished, this, &WebEngineBrowser::pageLoaded);
    connect(page_.get(), &QWebEnginePage::loadStarted, this, [this] {
        awaitingCommit_ = true;
        // A document the inspector tells was requested while it listened.
        documentToCome_ = bodySource_ && bodySource_->listening();
        emit loadProgress(0);
    });
    connect(page_.get(), &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (std::exchange(awaitingCommit_, false))
            landedUrl_ = url;
    });
    connect(page_.get(), &QWebEnginePage::loadProgress, this, &Browser::loadProgress);
    connect(page_.get(), &QWebEnginePage::loadFinished, this, [this] { emit loadProgress(100); });
    connect(page_.get(), &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::loadingChanged);
    connect(page_.get(), &QWebEnginePage::windowCloseRequested, this,
            &WebEngineBrowser::closeRequested);
    session_->pagePrompts().attach(*this);
    describeTimer_.setSingleShot(true);
    connect(&describeTimer_, &QTimer::timeout, this, &WebEngineBrowser::describeNext);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // The view first, then the page, then the session's hold on the profile. The page answers
    // the questions still open for its HTML as it goes: there is nothing left to describe.
    delete view_.data();
    describing_.clear();
    bodySource_.reset();
    page_.reset();
}

void WebEngineBrowser::navigate(const QString& url)
{
    loadWhenTold([this, address = QUrl(url)] { page_->load(address); });
}

void WebEngineBrowser::navigate(const QString& url, const QByteArray& postData,
                                const QString& headers)
{
    const QUrl address(url);
    QWebEngineHttpRequest request(address, QWebEngineHttpRequest::Post);
    request.setPostData(postData);
    for (const auto& [name, value] : parseHeaderLines(headers))
        request.setHeader(name, value);
    loadWhenTold([this, address, request, body = FormBody{postData, headers}] {
        // Where the interceptor sees the request without its body, hand it over beforehand.
        if (auto* bodies = session_->separateBodies())
            bodies->offerBody(address, body);
        page_->load(request);
    });
}

void WebEngineBrowser::inspectAdopted()
{
    if (bodySource_) {
        bodySource_->follow();
        return;
    }
    // Where the inspector would tell only documents (Qt 6.7 on), a new window's are read as
    // they show: an inspector made for adopted contents there crashed the engine when a page
    // posted into a new window.
    if (!session_->separateBodies())
        return;
    // Once the engine has handed the window's contents over; a load of the application's may
    // have made it meanwhile.
    QTimer::singleShot(0, this, [this] {
        if (!bodySource_)
            makeBodySource();
    });
}

void WebEngineBrowser::loadWhenTold(std::function<void()> load)
{
    if (!bodySource_)
        makeBodySource();
    bodySource_->whenListening(std::move(load));
}

void WebEngineBrowser::makeBodySource()
{
    bodySource_ = session_->bodySource(*this, *page_);
    bodySource_->tellDocuments([this](const QString& url, const QString& text, bool told) {
        documentTold(url, text, told);
    });
}

bool WebEngineBrowser::raiseBeforeNavigate(NavigationRequest& request)
{
    emit beforeNavigate2(request);
    return request.isCancelled();
}

void WebEngineBrowser::confirmBody(const NavigationRequest& request)
{
    emit requestBodyConfirmed(request);
}

bool WebEngineBrowser::bodiesTold() const
{
    return session_->separateBodies() && bodySource_ && bodySource_->listening();
}

QString WebEngineBrowser::locationUrl() const
{
    return page_->url().toString(QUrl::FullyEncoded);
}

int WebEngineBrowser::width() const
{
    return view_ ? view_->width() * kTwipsPerPixel : 0;
}

int WebEngineBrowser::height() const
{
    return view_ ? view_->height() * kTwipsPerPixel : 0;
}

void WebEngineBrowser::setWidth(int twips)
{
    if (view_)
        view_->resize(twipsToPixels(twips), view_->height());
}

void WebEngineBrowser::setHeight(int twips)
{
    if (view_)
        view_->resize(view_->width(), twipsToPixels(twips));
}

QWidget* WebEngineBrowser::widget() const
{
    return view_.data();
}

QWebEnginePage* WebEngineBrowser::page() const
{
    return page_.get();
}

void WebEngineBrowser::whenBodiesConfirmed(std::function<void()> then)
{
    session_->queue().whenWordsSettled(std::move(then));
}

void WebEngineBrowser::run(Command command)
{
    switch (command) {
    case Command::Back:
        page_->triggerAction(QWebEnginePage::Back);
        break;
    case Command::Forward:
        page_->triggerAction(QWebEnginePage::Forward);
        break;
    case Command::Reload:
        page_->triggerAction(QWebEnginePage::Reload);
        break;
    case Command::Stop:
        stop();
        break;
    }
}

void WebEngineBrowser::stop()
{
    page_->triggerAction(QWebEnginePage::Stop);
}

void WebEngineBrowser::frameLoaded(const QString& url)
{
    session_->queue().whenRaised(this, [self = QPointer(this), url] {
        if (self)
            emit self->documentComplete(url);
    });
}

void WebEngineBrowser::pageLoaded(bool ok)
{
    const auto url = page_->url().toString(QUrl::FullyEncoded);
    const auto landed = landedUrl_.isValid() ? landedUrl_.toString(QUrl::FullyEncoded) : url;
    session_->queue().whenRaised(this, [self = QPointer(this), ok, url, landed] {
        if (!self)
            return;
        if (ok)
            emit self->navigateComplete2(url);
        emit self->downloadComplete();
        if (ok) {
            emit self->documentComplete(url);
            self->describePage(landed);
        }
    });
}

void WebEngineBrowser::showPageMenu(const QPoint& position)
{
    // Which frame holds the selection, if one does (frames of the page's own origin), and the
    // selection itself where the engine did not say it (a menu asked for by keyboard): asked of
    // the page before the menu shows, a moment later.
    static const QString kSelection = QStringLiteral(
        "(function find(w) { for (let i = 0; i < w.frames.length; ++i) { try {"
        " const f = w.frames[i]; const text = f.getSelection().toString();"
        " if (text) return [f.location.href, text];"
        " const deeper = find(f); if (deeper[0]) return deeper; } catch (e) {} }"
        " return ['', w === window ? String(window.getSelection()) : '']; })(window)");
    const auto* engineRequest = view_->lastContextMenuRequest();
    const QString engineSelection = engineRequest ? engineRequest->selectedText() : QString();
    QPointer<WebEngineBrowser> self(this);
    page_->runJavaScript(
        kSelection, QWebEngineScript::ApplicationWorld,
        [self, engineSelection, position](const QVariant& found) {
            if (!self || !self->view_)
                return;
            const QStringList frameAndText = found.toStringList();
            // The engine's own items need the engine's request; a menu asked for otherwise has
            // only ours.
            auto* menu = self->view_->lastContextMenuRequest()
                             ? self->view_->createStandardContextMenu()
                             : new QMenu(self->view_);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            // The engine's inspector would take the place of the one that tells the bodies,
            // and has no window here to show in.
            menu->removeAction(self->page_->action(QWebEnginePage::InspectElement));
            PageMenuRequest request(engineSelection.isEmpty() ? frameAndText.value(1)
                                                              : engineSelection,
                                    self->page_->title(), frameAndText.value(0));
            emit self->pageMenu(request);
            if (!request.commands().isEmpty())
                menu->addSeparator();
            for (const auto& command : request.commands())
                connect(menu->addAction(command.text), &QAction::triggered, self, command.run);
            menu->popup(self->view_->mapToGlobal(position));
        });
}

void WebEngineBrowser::describePage(const QString& url)
{
    // Every page that completed is described, in order, so that each description meets the
    // load it belongs to. Where the inspector listens, an http(s) load's document is to come
    // from it: the text the test run reads too, before any script of the page changed it. The
    // page as it shows now stands in where it does not come.
    const QUrl landed(url);
    const bool toCome =
        documentToCome_ && (landed.scheme() == u"http" || landed.scheme() == u"https");
    const auto serial = ++describeSerial_;
    describing_.push_back(
        {.url = landed,
         .deadline = QDeadlineTimer(toCome ? std::chrono::milliseconds(waits::kDocumentText)
                                           : std::chrono::milliseconds{}),
         .serial = serial,
         .status = 0,
         .shown = std::nullopt,
         .html = std::nullopt});
    page_->toHtml([self = QPointer(this), serial](const QString& html) {
        if (!self)
            return;
        const auto described =
            std::find_if(self->describing_.begin(), self->describing_.end(),
                         [&](const Describing& load) { return load.serial == serial; });
        if (described == self->describing_.end())
            return;
        // The load's status comes with the engine's loading report, which may follow the
        // load's end: read it with the HTML, before a later load changes it.
        described->status = self->topStatus_;
        described->shown = html;
        self->describeNext();
    });
    describeNext();
}

void WebEngineBrowser::documentTold(const QString& url, const QString& text, bool told)
{
    // Only the newest few can still be waited for.
    constexpr std::size_t kKept = 8;
    documents_.push_back({requestKey(QUrl(url)), text, told});
    if (documents_.size() > kKept)
        documents_.pop_front();
    describeNext();
}

void WebEngineBrowser::describeNext()
{
    // As much as the test run keeps of an answer, so that both are compared alike.
    constexpr qsizetype kShown = qsizetype{64} * 1024;
    describeTimer_.stop();
    while (!describing_.empty()) {
        auto& next = describing_.front();
        if (!next.html) {
            const auto key = requestKey(next.url);
            const auto document =
                std::find_if(documents_.begin(), documents_.end(),
                             [&](const Document& told) { return told.url == key; });
            if (document != documents_.end()) {
                if (document->told)
                    next.html = std::move(document->text);
                else
                    next.deadline = QDeadlineTimer(0); // it will not come
                // Those before it belonged to loads that were not described.
                documents_.erase(documents_.begin(), std::next(document));
            }
            if (!next.html && next.deadline.hasExpired())
                next.html = next.shown;
            else if (!next.html)
                describeTimer_.start(std::max<qint64>(next.deadline.remainingTime(), 0));
        }
        // The page as it shows brings the load's status too.
        if (!next.html || !next.shown)
            return; // the document, or the page as it shows, is still to come
        const auto html = next.html->left(kShown);
        const auto url = next.url.toString(QUrl::FullyEncoded);
        const int status = next.status;
        describing_.pop_front();
        emit pageShown(status, url, html);
    }
}

void WebEngineBrowser::loadingChanged(const QWebEngineLoadingInfo& info)
{
    // A page that could not be loaded still ends in a document, the engine's error page, as
    // far as the windows are concerned: the address box and the list follow it. A navigation a
    // handler cancelled is no such end.
    // A load that ended without a document of its own (stopped, a download, no content) leaves
    // no request of the top frame waiting for one.
    if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus ||
        info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
        session_->attribution().topRequestEnded(this);
    // The engine names the status of an answer that is not a success; a success is 200 as far
    // as a page shows.
    if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
        topStatus_ = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                         ? info.errorCode()
                         : (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ? 200 : 0);
    constexpr int kBlockedByClient = -20;
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
        info.errorCode() != kBlockedByClient)
        emit documentComplete(info.url().toString(QUrl::FullyEncoded));
}

void WebEngineBrowser::closeRequested()
{
    WindowClosingRequest request(childWindow_);
    emit windowClosing(request);
    if (!request.isCancelled() && view_)
        view_->hide();
}

} // namespace waytrace
