#include "navigation_queue.h"

#include "request_key.h"

#include "common/logging.h"

#include <algorithm>

namespace waytrace {

namespace {

// Bodies that no request claims (a FormData built for a script's own upload) go after this.
constexpr std::chrono::seconds kBodyExpiry{10};

} // namespace

NavigationQueue::NavigationQueue(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &NavigationQueue::flush);
}

void NavigationQueue::setBodyWait(std::chrono::milliseconds wait)
{
    bodyWait_ = wait;
}

bool NavigationQueue::announce(Browser* browser, const QUrl& url, bool post,
                               std::optional<FormBody> sent, const QUrl& initiator)
{
    const auto from = originKey(initiator);
    if (waiting_.empty()) {
        if (!post)
            return raise(browser, url, {});
        if (sent)
            return raise(browser, url, *sent);
        if (auto body = takeBody(url, from))
            return raise(browser, url, *body);
    }
    const bool waitsForBody = post && !sent;
    waiting_.push_back({browser, url, post, from, std::move(sent),
                        QDeadlineTimer(waitsForBody ? bodyWait_ : decltype(bodyWait_){})});
    flush();
    return false;
}

void NavigationQueue::offerBody(const QUrl& action, FormBody body, const QUrl& origin, Offer offer)
{
    const auto key = requestKey(action);
    const auto from = originKey(origin);
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
    offered_.push_back({key, from, std::move(body), offer, QDeadlineTimer(kBodyExpiry)});
    flush();
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

bool NavigationQueue::raise(Browser* browser, const QUrl& url, const FormBody& body)
{
    if (!browser)
        return false;
    NavigationRequest request(url.toString(QUrl::FullyEncoded), body.headers, body.postData);
    emit browser->beforeNavigate2(request);
    return request.isCancelled();
}

void NavigationQueue::flush()
{
    while (!waiting_.empty()) {
        auto& head = waiting_.front();
        std::optional<FormBody> body = std::move(head.sent);
        if (head.post && !body) {
            body = takeBody(head.url, head.initiator);
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
        if (raise(request.browser, request.url, raised) && lateCancel_ && request.browser)
            lateCancel_(request.browser);
    }
    if (!waiting_.empty())
        timer_.start(std::max<qint64>(0, waiting_.front().deadline.remainingTime()));
    else
        timer_.stop();
}

} // namespace waytrace
