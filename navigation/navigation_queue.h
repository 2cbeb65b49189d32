#pragma once

#include "browser/browser.h"
#include "form_body.h"
#include "navigation_decisions.h"
#include "separate_bodies.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace waytrace {

// Puts the engine's sources together: requests announced by the interceptor (order, address,
// method, and where the engine hands them over the body), and bodies that come apart from their
// requests (SeparateBodies), where it does not. Each request goes to its browser, in the order
// the engine announced them, through the decisions of whoever owns the browsers. A POST whose body
// has not arrived yet waits for it a little, and every request announced after it waits too.
class NavigationQueue : public QObject
{
    Q_OBJECT

public:
    // `decisions` must outlive the queue.
    explicit NavigationQueue(NavigationDecisions& decisions, QObject* parent = nullptr);

    // Where the bodies of POSTs announced without one come from; none: such a POST goes with an
    // empty body. Not owned; outlives the queue's use of it.
    void setSeparateBodies(SeparateBodies* bodies);

    // A request in the engine's order. Returns whether the engine is to block it now. `sent` is
    // the body the engine itself tells for this request, where it does: it is raised with the
    // request and nothing offered replaces it. `initiator` is the origin of the document that
    // made the request, as the engine tells it; none for the application's own. `told`: the
    // engine tells this browser's bodies apart from the requests: a page's POST waits for that
    // word, and the word on the application's own is an echo. `frame`: a frame's request.
    bool announce(Browser* browser, const QUrl& url, bool post,
                  std::optional<FormBody> sent = std::nullopt, const QUrl& initiator = {},
                  bool told = false, bool frame = false);

    // Runs `then` once every request of `browser` announced so far has been raised: what a
    // page tells of its load comes after the request that loaded it.
    void whenRaised(const Browser* browser, std::function<void()> then);
    // Runs `then` once every request announced so far, of any browser, has been raised.
    void whenAllRaised(std::function<void()> then);

    [[nodiscard]] bool idle() const { return waiting_.empty(); }
    // Whether a request went by with a stand-in body that a later word may still correct.
    [[nodiscard]] bool wordsDue() const;
    // Runs `then` once no word is due any more: each has come or will not.
    void whenWordsSettled(std::function<void()> then);

private:
    struct Waiting
    {
        bool post = false;
        std::optional<FormBody> sent;
        SeparateBodies::Post pending; // who sent it where, and how the wait for its body went
        bool frame = false;
        QDeadlineTimer deadline;
        std::vector<std::function<void()>> then; // once raised
    };

    // The body of a waiting POST, once it is known; none while it is to wait on, or when
    // `late` and none came.
    std::optional<FormBody> bodyFor(Waiting& request, bool late);
    // A POST with its body, a GET with none.
    bool raise(Browser* browser, const QUrl& url, const std::optional<FormBody>& body, bool frame,
               quint64 id = 0, bool bodyUnconfirmed = false);
    void flush();

    NavigationDecisions& decisions_;
    std::deque<Waiting> waiting_;
    SeparateBodies* bodies_ = nullptr;
    quint64 lastId_ = 0;
    QTimer timer_;
};

} // namespace waytrace
