#pragma once

#include <QWebEngineUrlRequestInterceptor>

namespace waytrace {

class WebEngineSession;

// Sees every request of every page of the session's profile, on the UI thread, before it is
// sent. Navigations (of a top page or a frame) that a page made go to the session's queue, which
// raises them on their browser and says whether to block them; the follow-ups of a server's
// redirects are not steps and pass.
class RequestInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    explicit RequestInterceptor(WebEngineSession& session) : session_(session) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    // Whether the engine tells the interceptor the body of each request it sends; where it does
    // not, InspectorBodies tells them apart from the requests, and the capture script rebuilds
    // them inside the pages where that cannot.
    static bool engineHandsBodies();

private:
    WebEngineSession& session_;
};

} // namespace waytrace
