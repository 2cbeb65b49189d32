#include "reported_bodies.h"

#include "request_key.h"

#include "common/logging.h"

#include <algorithm>
#include <utility>

namespace waytrace {

ReportedBodies::ReportedBodies(NavigationDecisions& decisions, QObject* parent)
    : SeparateBodies(parent), decisions_(decisions)
{
    wordsTimer_.setSingleShot(true);
    connect(&wordsTimer_, &QTimer::timeout, this, &ReportedBodies::settleWords);
}

void ReportedBodies::setBodyWait(std::chrono::milliseconds wait)
{
    bodyWait_ = wait;
}

std::chrono::milliseconds ReportedBodies::patience(const Post& post) const
{
    return post.told ? std::max<std::chrono::milliseconds>(bodyWait_, waits::kEngineWord)
                     : bodyWait_;
}

void ReportedBodies::tellBody(Browser* browser, const QUrl& url, const QString& id,
                              std::optional<FormBody> body)
{
    const auto key = requestKey(url);
    std::erase_if(echoes_, [](const Echo& echo) { return echo.expiry.hasExpired(); });
    const auto echo = std::find_if(echoes_.begin(), echoes_.end(), [&](const Echo& candidate) {
        return candidate.browser == browser && candidate.url == key && body &&
               candidate.postData == body->postData;
    });
    if (echo != echoes_.end()) {
        echoes_.erase(echo);
        return;
    }
    // Words come in the engine's order: a late one is the oldest raised request's of that
    // browser and address that still waits for one.
    std::erase_if(awaiting_, [](const Awaiting& request) { return request.expiry.hasExpired(); });
    const auto late =
        std::find_if(awaiting_.begin(), awaiting_.end(), [&](const Awaiting& request) {
            return request.browser == browser && request.url == key;
        });
    if (late != awaiting_.end()) {
        const auto request = *late;
        awaiting_.erase(late);
        qCDebug(logQueue) << "the engine's word came after its request was raised";
        // No bytes (a file): the stand-in stays, unconfirmed.
        if (body && request.browser)
            decisions_.confirmBody(*request.browser,
                                   NavigationRequest(url.toString(QUrl::FullyEncoded),
                                                     HttpMethod::Post, body->postData,
                                                     body->headers, request.id));
        settleWords();
        return;
    }
    std::erase_if(told_, [](const Told& word) { return word.expiry.hasExpired(); });
    told_.push_back({browser, key, id, std::move(body), QDeadlineTimer(waits::kUnclaimed)});
    emit arrived();
}

void ReportedBodies::retractBody(Browser* browser, const QString& id)
{
    std::erase_if(told_,
                  [&](const Told& word) { return word.browser == browser && word.id == id; });
}

void ReportedBodies::offerBody(const QUrl& action, FormBody body, const QUrl& origin, Offer offer)
{
    const auto key = requestKey(action);
    const auto from = originKey(origin);
    std::erase_if(echoes_, [](const Echo& echo) { return echo.expiry.hasExpired(); });
    const auto echo = std::find_if(echoes_.begin(), echoes_.end(), [&](const Echo& candidate) {
        return !candidate.browser && candidate.url == key && candidate.origin == from &&
               candidate.postData == body.postData;
    });
    if (echo != echoes_.end()) {
        echoes_.erase(echo);
        return;
    }
    std::erase_if(offered_, [](const Offered& offered) { return offered.expiry.hasExpired(); });
    const auto same = [&](const Offered& offered) {
        return offered.action == key && offered.origin == from;
    };
    const auto announced = [&](const Offered& offered) {
        return same(offered) && offered.offer == Offer::InTurn;
    };
    if (offer == Offer::Rebuilt && std::any_of(offered_.cbegin(), offered_.cend(), announced))
        return;
    if (offer == Offer::InTurn) {
        std::erase_if(offered_, [&](const Offered& offered) {
            return same(offered) && offered.offer != Offer::InTurn;
        });
    } else if (const auto newest = std::find_if(offered_.rbegin(), offered_.rend(), same);
               newest != offered_.rend()) {
        offered_.erase(std::next(newest).base());
    }
    offered_.push_back({key, from, std::move(body), offer, QDeadlineTimer(waits::kUnclaimed)});
    emit arrived();
}

bool ReportedBodies::wordsDue() const
{
    return std::any_of(awaiting_.cbegin(), awaiting_.cend(),
                       [](const Awaiting& request) { return !request.expiry.hasExpired(); });
}

void ReportedBodies::whenWordsSettled(std::function<void()> then)
{
    wordsSettled_.push_back(std::move(then));
    settleWords();
}

void ReportedBodies::settleWords()
{
    if (wordsSettled_.empty())
        return;
    std::erase_if(awaiting_, [](const Awaiting& request) { return request.expiry.hasExpired(); });
    if (!awaiting_.empty()) {
        const auto next = std::min_element(awaiting_.cbegin(), awaiting_.cend(),
                                           [](const Awaiting& a, const Awaiting& b) {
                                               return a.expiry.deadline() < b.expiry.deadline();
                                           });
        wordsTimer_.start(std::max<qint64>(next->expiry.remainingTime(), 0));
        return;
    }
    wordsTimer_.stop();
    for (auto& then : std::exchange(wordsSettled_, {}))
        then();
}

void ReportedBodies::raisedBeforeWord(const Post& post, quint64 id)
{
    awaiting_.push_back(
        {post.browser, requestKey(post.url), id, QDeadlineTimer(waits::kUnclaimed)});
}

std::optional<FormBody> ReportedBodies::takeBody(const QUrl& url, const QString& initiator)
{
    const auto key = requestKey(url);
    const auto found = std::find_if(offered_.begin(), offered_.end(), [&](const Offered& offered) {
        return offered.action == key && offered.origin == initiator && !offered.expiry.hasExpired();
    });
    if (found == offered_.end())
        return std::nullopt;
    auto body = std::move(found->body);
    offered_.erase(found);
    return body;
}

std::optional<FormBody> ReportedBodies::bodyFor(Post& post, bool late)
{
    if (post.told) {
        const auto key = requestKey(post.url);
        const auto word = std::find_if(told_.begin(), told_.end(), [&](const Told& told) {
            return told.browser == post.browser && told.url == key && !told.expiry.hasExpired();
        });
        if (word == told_.end() && !late)
            return std::nullopt;
        post.told = false;
        if (word == told_.end()) {
            qCDebug(logQueue) << "the engine told nothing in time of a POST to"
                              << post.url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
            // The word is late: when it comes, it corrects this request's stand-in.
            post.awaitsWord = true;
        } else {
            auto body = std::move(word->body);
            told_.erase(word);
            if (body) {
                forgetReports(post, *body);
                return body;
            }
            // The engine could not tell it (a file): the page's report stands in.
        }
    }
    // A page's report stands in; the application's own bodies are what it sent.
    post.unconfirmed = post.fromPage;
    auto body = takeBody(post.url, post.initiator);
    if (body && !post.awaitsWord)
        forgetWord(post, *body);
    return body;
}

void ReportedBodies::forgetReports(const Post& post, const FormBody& body)
{
    const auto key = requestKey(post.url);
    const auto repeats = [&](const Offered& offered) {
        return offered.action == key && offered.origin == post.initiator &&
               offered.body.postData == body.postData;
    };
    if (std::erase_if(offered_, repeats) == 0)
        echoes_.push_back(
            {nullptr, key, post.initiator, body.postData, QDeadlineTimer(waits::kEcho)});
}

void ReportedBodies::forgetWord(const Post& post, const FormBody& body)
{
    const auto key = requestKey(post.url);
    const auto word = std::find_if(told_.begin(), told_.end(), [&](const Told& told) {
        return told.browser == post.browser && told.url == key && told.body &&
               told.body->postData == body.postData;
    });
    if (word != told_.end())
        told_.erase(word);
    else if (post.browser && post.echoToCome)
        echoes_.push_back({post.browser, key, {}, body.postData, QDeadlineTimer(waits::kEcho)});
}

} // namespace waytrace
