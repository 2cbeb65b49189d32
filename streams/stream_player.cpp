#include "stream_player.h"

#include "browser/scripted_browser.h"

namespace waytrace {

void playBrowserEvent(ScriptedBrowser& browser, const StreamEvent& event)
{
    using Kind = StreamEvent::Kind;
    switch (event.kind) {
    case Kind::BeforeNavigate2:
        browser.raiseBeforeNavigate2(event.url, event.method, event.body, event.headers,
                                     static_cast<quint64>(event.request), event.bodyUnconfirmed);
        break;
    case Kind::RequestBodyConfirmed:
        browser.raiseRequestBodyConfirmed(static_cast<quint64>(event.request), event.url,
                                          event.body, event.headers);
        break;
    case Kind::NewWindow2:
        browser.raiseNewWindow2();
        break;
    case Kind::NavigateComplete2:
        browser.raiseNavigateComplete2(event.url);
        break;
    case Kind::DocumentComplete:
        browser.raiseDocumentComplete(event.url);
        break;
    case Kind::DownloadComplete:
        browser.raiseDownloadComplete();
        break;
    case Kind::OnQuit:
        browser.raiseOnQuit();
        break;
    case Kind::WindowClosing:
        browser.raiseWindowClosing(event.isChildWindow);
        break;
    case Kind::Edit:
    case Kind::Remove:
    case Kind::Clear:
        break;
    }
}

} // namespace waytrace
