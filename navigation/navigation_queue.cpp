#include "navigation_queue.h"

#include "body_waits.h"
#include "request_key.h"

#include "common/logging.h"

#include <algorithm>
#include <utility>

namespace waytrace {

NavigationQueue::NavigationQueue(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &NavigationQueue::flush);
    wordsTimer_.setSingleShot(true);
    connect(&wordsTimer_, &QTimer::timeout, this, &NavigationQueue::settleWords);
}

void NavigationQueue::setBodyWait(std::chrono::milliseconds wait)
{
    bodyWait_ = wait;
}

bool NavigationQueue::announce(Browser* browser, const QUrl& url, bool post,
                               std::optional<FormBody> sent, const QUrl& initiator, bool told,
                               bool frame)
{
    const bool waitsForBody = post && !sent;
    const bool page = !initiator.isEmpty();
    std::chrono::milliseconds wait{};
    if (waitsForBody)
        wait = told && page ? std::max<std::chrono::milliseconds>(bodyWait_, waits::kEngineWord)
                            : bodyWait_;
    Waiting request{.browser = browser,
                    .url = url,
                    .post = post,
                    .initiator = originKey(initiator),
                    .sent = std::move(sent),
                    .told = waitsForBody && told && page,
                    .echoToCome = told,
                    .frame = frame,
                    .deadline = QDeadlineTimer(wait),
                    .then = {}};
    if (waiting_.empty()) {
        if (!post)
            return raise(browser, url, {}, frame);
        if (auto body = bodyFor(request, false))
            return raise(browser, url, *body, frame, 0, request.bodyUnconfirmed);
    }
    waiting_.push_back(std::move(request));
    flush();
    return false;
}

void NavigationQueue::tellBody(Browser* browser, const QUrl& url, const QString& id,
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
            emit request.browser->requestBodyConfirmed(NavigationRequest(
                url.toString(QUrl::FullyEncoded), body->headers, body->postData, request.id));
        settleWords();
        return;
    }
    std::erase_if(told_, [](const Told& word) { return word.expiry.hasExpired(); });
    told_.push_back({browser, key, id, std::move(body), QDeadlineTimer(waits::kUnclaimed)});
    flush();
}

void NavigationQueue::retractBody(Browser* browser, const QString& id)
{
    std::erase_if(told_,
                  [&](const Told& word) { return word.browser == browser && word.id == id; });
}

void NavigationQueue::offerBody(const QUrl& action, FormBody body, const QUrl& origin, Offer offer)
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
    flush();
}

void NavigationQueue::whenRaised(const Browser* browser, std::function<void()> then)
{
    const auto last = std::find_if(waiting_.rbegin(), waiting_.rend(), [&](const Waiting& request) {
        return request.browser == browser;
    });
    if (last == waiting_.rend())
        then();
    else
        last->then.push_back(std::move(then));
}

void NavigationQueue::whenAllRaised(std::function<void()> then)
{
    if (waiting_.empty())
        then();
    else
        waiting_.back().then.push_back(std::move(then));
}

bool NavigationQueue::wordsDue() const
{
    return std::any_of(awaiting_.cbegin(), awaiting_.cend(),
                       [](const Awaiting& request) { return !request.expiry.hasExpired(); });
}

void NavigationQueue::whenWordsSettled(std::function<void()> then)
{
    wordsSettled_.push_back(std::move(then));
    settleWords();
}

void NavigationQueue::settleWords()
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

std::optional<FormBody> NavigationQueue::takeBody(const QUrl& url, const QString& initiator)
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

bool NavigationQueue::raise(Browser* browser, const QUrl& url, const FormBody& body, bool frame,
                            quint64 id, bool bodyUnconfirmed)
{
    if (!browser)
        return false;
    NavigationRequest request(url.toString(QUrl::FullyEncoded), body.headers, body.postData, id,
                              bodyUnconfirmed, frame);
    emit browser->beforeNavigate2(request);
    return request.isCancelled();
}

std::optional<FormBody> NavigationQueue::bodyFor(Waiting& request, bool late)
{
    if (request.sent)
        return std::exchange(request.sent, std::nullopt);
    if (request.told) {
        const auto key = requestKey(request.url);
        const auto word = std::find_if(told_.begin(), told_.end(), [&](const Told& told) {
            return told.browser == request.browser && told.url == key && !told.expiry.hasExpired();
        });
        if (word == told_.end() && !late)
            return std::nullopt;
        request.told = false;
        if (word == told_.end()) {
            qCDebug(logQueue) << "the engine told nothing in time of a POST to"
                              << request.url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo);
            // The word is late: when it comes, it corrects this request's stand-in.
            request.awaitsWord = true;
        } else {
            auto body = std::move(word->body);
            told_.erase(word);
            if (body) {
                forgetReports(request, *body);
                return body;
            }
            // The engine could not tell it (a file): the page's report stands in.
        }
    }
    // A page's report stands in; the application's own bodies are what it sent.
    request.bodyUnconfirmed = !request.initiator.isEmpty();
    auto body = takeBody(request.url, request.initiator);
    if (body && !request.awaitsWord)
        forgetWord(request, *body);
    return body;
}

void NavigationQueue::forgetReports(const Waiting& request, const FormBody& body)
{
    const auto key = requestKey(request.url);
    const auto repeats = [&](const Offered& offered) {
        return offered.action == key && offered.origin == request.initiator &&
               offered.body.postData == body.postData;
    };
    if (std::erase_if(offered_, repeats) == 0)
        echoes_.push_back(
            {nullptr, key, request.initiator, body.postData, QDeadlineTimer(waits::kEcho)});
}

void NavigationQueue::forgetWord(const Waiting& request, const FormBody& body)
{
    const auto key = requestKey(request.url);
    const auto word = std::find_if(told_.begin(), told_.end(), [&](const Told& told) {
        return told.browser == request.browser && told.url == key && told.body &&
               told.body->postData == body.postData;
    });
    if (word != told_.end())
        told_.erase(word);
    else if (request.browser && request.echoToCome)
        echoes_.push_back({request.browser, key, {}, body.postData, QDeadlineTimer(waits::kEcho)});
}

void NavigationQueue::flush()
{
    while (!waiting_.empty()) {
        auto& head = waiting_.front();
        std::optional<FormBody> body;
        if (head.post) {
            body = bodyFor(head, head.deadline.hasExpired());
            if (!body && !head.deadline.hasExpired())
                break;
        }
        const auto request = std::move(head);
        waiting_.pop_front();
        if (request.post && !body)
            qCWarning(logQueue) << "no body came in time for a POST to"
                                << request.url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo)
                                << "- recorded with an empty body";
        // A POST whose body never came still counts as one: the terminating byte alone.
        const FormBody raised = body           ? *body
                                : request.post ? FormBody{QByteArray(1, '\0'), {}}
                                               : FormBody{};
        quint64 id = 0;
        if (request.awaitsWord) {
            id = ++lastId_;
            awaiting_.push_back(
                {request.browser, requestKey(request.url), id, QDeadlineTimer(waits::kUnclaimed)});
        }
        if (raise(request.browser, request.url, raised, request.frame, id,
                  request.post && request.bodyUnconfirmed) &&
            lateCancel_ && request.browser)
            lateCancel_(request.browser);
        for (const auto& then : request.then)
            then();
    }
    if (!waiting_.empty())
        timer_.start(std::max<qint64>(0, waiting_.front().deadline.remainingTime()));
    else
        timer_.stop();
}

} // namespace waytrace
