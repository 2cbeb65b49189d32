#pragma once

#include "body_source.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QWebEnginePage;
class QWebEngineProfile;

namespace waytrace {

class Browser;
class SeparateBodies;

// The engine's DevTools protocol, through a hidden inspector page per browser, tells the text
// of each document the top frame loads as the server sent it. Before Qt 6.7 the interceptor is
// handed no request body, and the capture script rebuilds bodies inside the pages, where a page
// can mislead it: the protocol also tells the bytes of each document request as sent, to the
// session's separate bodies. Where it cannot tell a body (a file's contents) or is not listening
// yet (a new window's first request), the capture script's report stands in.
class InspectorBodies : public QObject, public BodySource
{
    Q_OBJECT

public:
    // What the inspector pages of a session share: a profile of their own that lets the
    // inspector's page load but not its front end, which would ask the protocol for everything
    // and slow the inspected page.
    static std::unique_ptr<QWebEngineProfile> makeProfile();

    // `relay` is the script that turns the protocol's messages into console messages that
    // start with `secret`. `bodies`: where request bodies go, where the engine does not hand
    // them to the interceptor.
    InspectorBodies(Browser& browser, QWebEnginePage& inspected, QWebEngineProfile& profile,
                    SeparateBodies* bodies, const QString& secret, const QString& relay);
    ~InspectorBodies() override;

    [[nodiscard]] bool listening() const override { return listening_; }
    // A page that posts itself as it loads (a sign-on relay) is told like any other, and the
    // first page's document is told as sent.
    void whenListening(std::function<void()> load) override;
    void follow() override;
    void tellDocuments(Document told) override { documentTold_ = std::move(told); }

private:
    class Page;

    void relayed(const QString& message);
    // The protocol listens, or will not: the load that waited goes now.
    void releaseLoad();

    Browser& browser_;
    QWebEnginePage& inspected_;
    SeparateBodies* bodies_;
    QString secret_;
    QString relay_;
    std::unique_ptr<Page> page_;
    bool listening_ = false;
    bool refused_ = false; // the protocol will not tell this browser's bodies
    std::function<void()> waitingLoad_;
    Document documentTold_;
    QTimer loadWait_;
};

} // namespace waytrace
