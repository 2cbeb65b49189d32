#pragma once

#include "browser/browser.h"
#include "form_body.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace waytrace {

// Where the engine hands the interceptor no request body, a POST's body reaches the application
// apart from its request. The queue asks here for a waiting POST's body, and raises the POST once
// it has one or its wait is over. Where the engine hands every body over, a session has none.
class SeparateBodies : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // A POST as it waits for its body, and what became of the wait.
    struct Post
    {
        QPointer<Browser> browser;
        QUrl url;
        QString initiator;        // the origin of the document that made it, where the engine says
        bool fromPage = false;    // a page's (a frame's always), not the application's own
        bool told = false;        // the engine will tell its body: waits for that word
        bool echoToCome = false;  // the engine's word on it will repeat what is raised
        bool awaitsWord = false;  // to go with a stand-in that the word may correct later
        bool unconfirmed = false; // to go with what its page reported
    };

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
    virtual void offerBody(const QUrl& action, FormBody body, const QUrl& origin = {},
                           Offer offer = Offer::Replacing) = 0;

    // The engine's own word on the body of a POST that `browser` is sending to `url`, in the
    // engine's order, before or after the request's announcement; `id` names the request. No
    // body: the engine could not tell it (a file's contents), and the page's report stands in.
    // A word that comes after its request was raised (the engine was busy) is that request's:
    // the queue's decisions confirm it on its browser.
    virtual void tellBody(Browser* browser, const QUrl& url, const QString& id,
                          std::optional<FormBody> body) = 0;
    // The engine dropped that request before sending it: its word is for nobody.
    virtual void retractBody(Browser* browser, const QString& id) = 0;

    // How long `post` may wait for its body.
    [[nodiscard]] virtual std::chrono::milliseconds patience(const Post& post) const = 0;
    // The body of a waiting POST, once it is known; none while it is to wait on, or when
    // `late` and none came.
    virtual std::optional<FormBody> bodyFor(Post& post, bool late) = 0;
    // `post` was raised as request `id` before the engine's word on it came (awaitsWord).
    virtual void raisedBeforeWord(const Post& post, quint64 id) = 0;

    // Whether a request went by with a stand-in body that the engine's word may still correct.
    [[nodiscard]] virtual bool wordsDue() const = 0;
    // Runs `then` once no word is due any more.
    virtual void whenWordsSettled(std::function<void()> then) = 0;

signals:
    // A body came that a waiting POST may take.
    void arrived();
};

} // namespace waytrace
