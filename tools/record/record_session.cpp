#include "record_session.h"

#include <utility>

namespace waytrace {

namespace {

using Kind = StreamEvent::Kind;

StreamEvent streamEvent(Kind kind, StreamEvent::Target target, const QString& url = {})
{
    StreamEvent event;
    event.kind = kind;
    event.browser = target;
    event.url = url;
    return event;
}

StreamEvent requestEvent(Kind kind, StreamEvent::Target target, const NavigationRequest& request)
{
    auto event = streamEvent(kind, target, request.url());
    event.headers = request.headers();
    event.method = request.method();
    event.body = request.body();
    event.request = static_cast<qint64>(request.id());
    event.bodyUnconfirmed = request.bodyUnconfirmed();
    return event;
}

} // namespace

RecordSession::RecordSession(Browser& main, Browser& popup, QString helpUrl, QObject* parent)
    : QObject(parent), main_(main), popup_(popup), recorder_(std::move(helpUrl))
{
    listen(main, StreamEvent::Target::Main);
    listen(popup, StreamEvent::Target::Popup);
    connect(&main, &Browser::newWindow2, this, [this](NewWindowRequest& request) {
        add(streamEvent(Kind::NewWindow2, StreamEvent::Target::Main));
        request.showIn(&popup_);
        emit popupOpened();
    });
}

void RecordSession::listen(Browser& browser, StreamEvent::Target target)
{
    connect(&browser, &Browser::beforeNavigate2, this,
            [this, target](const NavigationRequest& request) {
                add(requestEvent(Kind::BeforeNavigate2, target, request));
            });
    connect(&browser, &Browser::requestBodyConfirmed, this,
            [this, target](const NavigationRequest& request) {
                add(requestEvent(Kind::RequestBodyConfirmed, target, request));
            });
    // After the line above: the stream shows each event before what recording it caused.
    recorder_.listen(browser);
    connect(&browser, &Browser::navigateComplete2, this, [this, target](const QString& url) {
        add(streamEvent(Kind::NavigateComplete2, target, url));
    });
    connect(&browser, &Browser::documentComplete, this, [this, target](const QString& url) {
        add(streamEvent(Kind::DocumentComplete, target, url));
    });
    connect(&browser, &Browser::downloadComplete, this,
            [this, target] { add(streamEvent(Kind::DownloadComplete, target)); });
    connect(&browser, &Browser::onQuit, this,
            [this, target] { add(streamEvent(Kind::OnQuit, target)); });
    connect(&browser, &Browser::windowClosing, this, [this, target](WindowClosingRequest& request) {
        auto event = streamEvent(Kind::WindowClosing, target);
        event.isChildWindow = request.isChildWindow();
        add(event);
        // The popup window only hides: its browser stays for the next new window.
        if (target == StreamEvent::Target::Popup) {
            request.cancel();
            emit popupClosed();
        }
    });
}

void RecordSession::stopRecording()
{
    for (Browser* browser : {&main_, &popup_}) {
        disconnect(browser, &Browser::beforeNavigate2, this, nullptr);
        disconnect(browser, &Browser::beforeNavigate2, &recorder_, nullptr);
    }
}

void RecordSession::add(StreamEvent event)
{
    events_.append(std::move(event));
    emit eventRaised(events_.last());
}

} // namespace waytrace
