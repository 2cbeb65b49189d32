#pragma once

#include "body_waits.h"
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
#include <vector>

namespace waytrace {

// Puts the engine's sources together: requests announced by the interceptor (order, address,
// method, and on Qt 6.7 and later the body); before 6.7, the bodies the engine tells apart from
// the requests, and those the capture script rebuilds in the pages. Each request is raised as
// beforeNavigate2 on its browser, in the order the engine announced them. A POST whose body
// has not arrived yet waits for it a little, and every request announced after it waits too.
class NavigationQueue : public QObject
{
    Q_OBJECT

public:
    using LateCancel = std::function<void(Browser*)>;

    explicit NavigationQueue(QObject* parent = nullptr);

    // How long a POST waits for a page's report of its body before it is raised with an empty
    // one; for the engine's word on it, at least waits::kEngineWord.
    void setBodyWait(std::chrono::milliseconds wait);
    // Called when a request that had to wait is cancelled by a handler: it could not be blocked
    // when the engine announced it, so the browser stops loading instead.
    void setLateCancel(LateCancel handler) { lateCancel_ = std::move(handler); }

    // A request in the engine's order. Returns whether the engine is to block it now. `sent` is
    // the body the engine itself tells for this request, where it does: it is raised with the
    // request and nothing offered replaces it. `initiator` is the origin of the document that
    // made the request, as the engine tells it; none for the application's own. `told`: the
    // engine tells this browser's bodies on its own (tellBody): a page's POST waits for that
    // word, and the word on the application's own is an echo. `frame`: a frame's request.
    bool announce(Browser* browser, const QUrl& url, bool post,
                  std::optional<FormBody> sent = std::nullopt, const QUrl& initiator = {},
                  bool told = false, bool frame = false);

    // The engine's own word on the body of a POST that `browser` is sending to `url`, in the
    // engine's order, before or after the request's announcement; `id` names the request. No
    // body: the engine could not tell it (a file's contents), and the page's report stands in.
    // A word that comes after its request was raised (the engine was busy) is that request's:
    // the browser raises requestBodyConfirmed with it.
    void tellBody(Browser* browser, const QUrl& url, const QString& id,
                  std::optional<FormBody> body);
    // The engine dropped that request before sending it: its word is for nobody.
    void retractBody(Browser* browser, const QString& id);

    // How a body stands to the unclaimed ones offered before it for the same address and origin.
    enum class Offer
    {
        // Replaces the newest: a page that builds a FormData of its form before submitting it
        // reports twice, and the submission comes last; a frame's later word on the same
        // submission comes last too.
        Replacing,
        // A submission its page announced: replaces only bodies of the kind above, and takes
        // its turn behind earlier announced ones (quick saves to one address, each its own).
        InTurn,
        // The entries the engine rebuilt where a navigation lands, its form guessed: replaces an
        // unannounced body as the first kind does, never stands in for an announced one.
        Rebuilt,
    };

    // A body for a POST to `action` made by a document of `origin` (none: by the application
    // itself); a request from any other origin never takes it. The oldest unclaimed body goes
    // to the next such request.
    void offerBody(const QUrl& action, FormBody body, const QUrl& origin = {},
                   Offer offer = Offer::Replacing);

    // Runs `then` once every request of `browser` announced so far has been raised: what a
    // page tells of its load comes after the request that loaded it.
    void whenRaised(const Browser* browser, std::function<void()> then);
    // Runs `then` once every request announced so far, of any browser, has been raised.
    void whenAllRaised(std::function<void()> then);

    [[nodiscard]] bool idle() const { return waiting_.empty(); }
    // Whether a request went by with a stand-in body that the engine's word may still correct.
    [[nodiscard]] bool wordsDue() const;
    // Runs `then` once no word is due any more: each has come or will not (waits::kUnclaimed).
    void whenWordsSettled(std::function<void()> then);

private:
    struct Waiting
    {
        QPointer<Browser> browser;
        QUrl url;
        bool post = false;
        QString initiator;
        std::optional<FormBody> sent;
        bool told = false;       // waits for the engine's word
        bool echoToCome = false; // the engine's word on it will repeat what is raised
        bool awaitsWord = false; // raised with a stand-in, its word to come
        bool bodyUnconfirmed = false;
        bool frame = false;
        QDeadlineTimer deadline;
        std::vector<std::function<void()>> then; // once raised
    };
    struct Told
    {
        QPointer<Browser> browser;
        QUrl url; // as a request key
        QString id;
        std::optional<FormBody> body;
        QDeadlineTimer expiry;
    };
    // A body raised without the engine's word or a page's report that repeats it: the one
    // still to come is its echo, not another request's.
    struct Echo
    {
        const Browser* browser = nullptr; // none: a page's report; only compared
        QUrl url;
        QString origin;
        QByteArray postData;
        QDeadlineTimer expiry;
    };
    // A request raised before the engine's word on its body came.
    struct Awaiting
    {
        QPointer<Browser> browser;
        QUrl url;
        quint64 id = 0;
        QDeadlineTimer expiry;
    };
    struct Offered
    {
        QUrl action;
        QString origin;
        FormBody body;
        Offer offer = Offer::Replacing;
        QDeadlineTimer expiry;
    };

    std::optional<FormBody> takeBody(const QUrl& url, const QString& initiator);
    // The body of a waiting POST, once it is known; none while it is to wait on, or when
    // `late` and none came.
    std::optional<FormBody> bodyFor(Waiting& request, bool late);
    // A body raised from one source is dropped from, or kept from, the other.
    void forgetReports(const Waiting& request, const FormBody& body);
    void forgetWord(const Waiting& request, const FormBody& body);
    static bool raise(Browser* browser, const QUrl& url, const FormBody& body, bool frame,
                      quint64 id = 0, bool bodyUnconfirmed = false);
    void flush();
    void settleWords();

    std::chrono::milliseconds bodyWait_ = waits::kPageReport;
    std::deque<Waiting> waiting_;
    std::deque<Offered> offered_;
    std::deque<Told> told_;
    std::deque<Echo> echoes_;
    std::deque<Awaiting> awaiting_;
    quint64 lastId_ = 0;
    QTimer timer_;
    QTimer wordsTimer_; // the next due word's expiry, while somebody waits for words
    std::vector<std::function<void()>> wordsSettled_;
    LateCancel lateCancel_;
};

} // namespace waytrace
