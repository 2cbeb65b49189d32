#pragma once

#include "browser/browser.h"
#include "form_body.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace waytrace {

// Puts the engine's two sources together: requests announced by the interceptor (order,
// address, method, and on Qt 6.7 and later the body) and, before 6.7, bodies reported by the
// capture script. Each request is raised as
// beforeNavigate2 on its browser, in the order the engine announced them. A POST whose body
// has not arrived yet waits for it a little, and every request announced after it waits too.
class NavigationQueue : public QObject
{
    Q_OBJECT

public:
    using LateCancel = std::function<void(Browser*)>;

    explicit NavigationQueue(QObject* parent = nullptr);

    // How long a POST waits for its body before it is raised with an empty one.
    void setBodyWait(std::chrono::milliseconds wait);
    // Called when a request that had to wait is cancelled by a handler: it could not be blocked
    // when the engine announced it, so the browser stops loading instead.
    void setLateCancel(LateCancel handler) { lateCancel_ = std::move(handler); }

    // A request in the engine's order. Returns whether the engine is to block it now. `sent` is
    // the body the engine itself tells for this request, where it does: it is raised with the
    // request and nothing offered replaces it. `initiator` is the origin of the document that
    // made the request, as the engine tells it; none for the application's own.
    bool announce(Browser* browser, const QUrl& url, bool post,
                  std::optional<FormBody> sent = std::nullopt, const QUrl& initiator = {});

    // A body for the next POST to `action` made by a document of `origin` (none: by the
    // application itself); a request from any other origin never takes it. A newer body for the
    // same address and origin replaces an unclaimed older one: a page that builds a FormData of
    // its form before submitting it reports twice, and the submission comes last.
    void offerBody(const QUrl& action, FormBody body, const QUrl& origin = {});

    [[nodiscard]] bool idle() const { return waiting_.empty(); }

private:
    struct Waiting
    {
        QPointer<Browser> browser;
        QUrl url;
        bool post = false;
        QString initiator;
        std::optional<FormBody> sent;
        QDeadlineTimer deadline;
    };
    struct Offered
    {
        QUrl action;
        QString origin;
        FormBody body;
        QDeadlineTimer expiry;
    };

    std::optional<FormBody> takeBody(const QUrl& url, const QString& initiator);
    static bool raise(Browser* browser, const QUrl& url, const FormBody& body);
    void flush();

    std::chrono::milliseconds bodyWait_{400};
    std::deque<Waiting> waiting_;
    std::deque<Offered> offered_;
    QTimer timer_;
    LateCancel lateCancel_;
};

} // namespace waytrace
