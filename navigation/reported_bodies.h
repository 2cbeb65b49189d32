#pragma once

#include "body_waits.h"
#include "navigation_decisions.h"
#include "separate_bodies.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QTimer>

#include <deque>
#include <vector>

namespace waytrace {

// Before Qt 6.7 the interceptor is handed no request body. A POST's body comes as the engine's
// own word on it (tellBody, from the inspector), which may come before or after the request,
// and as the capture script's report from the page (offerBody), which a page can mislead: the
// word wins wherever there is one. Built only for those releases.
class ReportedBodies : public SeparateBodies
{
    Q_OBJECT

public:
    // A word that comes after its request was raised goes to `decisions`, which must outlive
    // these bodies.
    explicit ReportedBodies(NavigationDecisions& decisions, QObject* parent = nullptr);

    // How long a POST waits for a page's report of its body before it is raised with an empty
    // one; for the engine's word on it, at least waits::kEngineWord.
    void setBodyWait(std::chrono::milliseconds wait);

    void tellBody(Browser* browser, const QUrl& url, const QString& id,
                  std::optional<FormBody> body) override;
    void retractBody(Browser* browser, const QString& id) override;
    void offerBody(const QUrl& action, FormBody body, const QUrl& origin = {},
                   Offer offer = Offer::Replacing) override;
    [[nodiscard]] std::chrono::milliseconds patience(const Post& post) const override;
    std::optional<FormBody> bodyFor(Post& post, bool late) override;
    void raisedBeforeWord(const Post& post, quint64 id) override;
    [[nodiscard]] bool wordsDue() const override;
    // Each due word has come or will not (waits::kUnclaimed).
    void whenWordsSettled(std::function<void()> then) override;

private:
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
    // A body raised from one source is dropped from, or kept from, the other.
    void forgetReports(const Post& post, const FormBody& body);
    void forgetWord(const Post& post, const FormBody& body);
    void settleWords();

    std::chrono::milliseconds bodyWait_ = waits::kPageReport;
    NavigationDecisions& decisions_;
    std::deque<Offered> offered_;
    std::deque<Told> told_;
    std::deque<Echo> echoes_;
    std::deque<Awaiting> awaiting_;
    QTimer wordsTimer_; // the next due word's expiry, while somebody waits for words
    std::vector<std::function<void()>> wordsSettled_;
};

} // namespace waytrace
