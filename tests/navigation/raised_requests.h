#pragma once

// What the queue raises on two scripted browsers, for the queue's tests.

#include "browser/scripted_browser.h"
#include "navigation/form_body.h"
#include "navigation/navigation_decisions.h"

#include <QObject>
#include <QStringList>

namespace waytrace {

struct Raised
{
    QString url;
    bool post = false;
    QByteArray body;
    QString headers;
    quint64 id = 0;
    bool bodyUnconfirmed = false;
};

inline FormBody body(const QByteArray& bytes)
{
    return {bytes, QStringLiteral("Content-Type: text/plain\r\n")};
}

// Carries the queue's decisions out on the browsers, as the engine's session does.
class RaisedRequests : public QObject, public NavigationDecisions
{
public:
    bool raise(Browser& browser, NavigationRequest& request) override
    {
        emit browser.beforeNavigate2(request);
        return request.isCancelled();
    }
    void cancelLate(Browser& browser) override { lateCancelled_.append(&browser); }
    void confirmBody(Browser& browser, const NavigationRequest& request) override
    {
        emit browser.requestBodyConfirmed(request);
    }

protected:
    RaisedRequests()
    {
        for (auto* browser : {&main_, &popup_}) {
            connect(browser, &Browser::beforeNavigate2, this, [this](NavigationRequest& request) {
                raised_.append({request.url(), request.isPost(), request.body(), request.headers(),
                                request.id(), request.bodyUnconfirmed()});
                if (cancelWhen_.contains(request.url()))
                    request.cancel();
            });
            connect(browser, &Browser::requestBodyConfirmed, this,
                    [this](const NavigationRequest& request) {
                        confirmed_.append({request.url(), request.isPost(), request.body(),
                                           request.headers(), request.id()});
                    });
        }
    }

    void forget()
    {
        raised_.clear();
        confirmed_.clear();
        cancelWhen_.clear();
        lateCancelled_.clear();
    }

    ScriptedBrowser main_;
    ScriptedBrowser popup_;
    QList<Raised> raised_;    // beforeNavigate2, in order
    QList<Raised> confirmed_; // requestBodyConfirmed
    QStringList cancelWhen_;  // addresses whose requests are cancelled
    QList<Browser*> lateCancelled_;
};

} // namespace waytrace
