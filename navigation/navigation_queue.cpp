#include "navigation_queue.h"

#include "request_key.h"

#include "common/logging.h"

#include <algorithm>
#include <utility>

namespace waytrace {

NavigationQueue::NavigationQueue(NavigationDecisions& decisions, QObject* parent)
    : QObject(parent), decisions_(decisions)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &NavigationQueue::flush);
}

void NavigationQueue::setSeparateBodies(SeparateBodies* bodies)
{
    if (bodies_)
        disconnect(bodies_, nullptr, this, nullptr);
    bodies_ = bodies;
    if (bodies_)
        connect(bodies_, &SeparateBodies::arrived, this, &NavigationQueue::flush);
}

bool NavigationQueue::announce(Browser* browser, const QUrl& url, bool post,
                               std::optional<FormBody> sent, const QUrl& initiator, bool told,
                               bool frame)
{
    const bool waitsForBody = post && !sent;
    // A frame's request is always a page's, whose origin the engine may not name (a sandboxed
    // frame's is opaque).
    const bool page = !initiator.isEmpty() || frame;
    Waiting request{.post = post,
                    .sent = std::move(sent),
                    .pending = {.browser = browser,
                                .url = url,
                                .initiator = originKey(initiator),
                                .fromPage = page,
                                .told = waitsForBody && told && page,
                                .echoToCome = told},
                    .frame = frame,
                    .deadline = {},
                    .then = {}};
    request.deadline = QDeadlineTimer(waitsForBody && bodies_ ? bodies_->patience(request.pending)
                                                              : std::chrono::milliseconds{});
    if (waiting_.empty()) {
        if (!post)
            return raise(browser, url, std::nullopt, frame);
        if (auto body = bodyFor(request, false))
            return raise(browser, url, body, frame, 0, request.pending.unconfirmed);
    }
    waiting_.push_back(std::move(request));
    flush();
    return false;
}

void NavigationQueue::whenRaised(const Browser* browser, std::function<void()> then)
{
    const auto last = std::find_if(waiting_.rbegin(), waiting_.rend(), [&](const Waiting& request) {
        return request.pending.browser == browser;
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
    return bodies_ && bodies_->wordsDue();
}

void NavigationQueue::whenWordsSettled(std::function<void()> then)
{
    if (bodies_)
        bodies_->whenWordsSettled(std::move(then));
    else
        then();
}

bool NavigationQueue::raise(Browser* browser, const QUrl& url, const std::optional<FormBody>& body,
                            bool frame, quint64 id, bool bodyUnconfirmed)
{
    if (!browser)
        return false;
    NavigationRequest request(url.toString(QUrl::FullyEncoded),
                              body ? HttpMethod::Post : HttpMethod::Get,
                              body ? body->postData : QByteArray(),
                              body ? body->headers : QString(), id, bodyUnconfirmed, frame);
    return decisions_.raise(*browser, request);
}

std::optional<FormBody> NavigationQueue::bodyFor(Waiting& request, bool late)
{
    if (request.sent)
        return std::exchange(request.sent, std::nullopt);
    if (!bodies_)
        return std::nullopt;
    return bodies_->bodyFor(request.pending, late);
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
        const auto& url = request.pending.url;
        if (request.post && !body)
            qCWarning(logQueue) << "no body came in time for a POST to"
                                << url.adjusted(QUrl::RemoveQuery | QUrl::RemoveUserInfo)
                                << "- recorded with an empty body";
        // A POST whose body never came still counts as one, with an empty body.
        const auto raised = request.post ? std::optional(body.value_or(FormBody{})) : std::nullopt;
        quint64 id = 0;
        if (request.pending.awaitsWord && bodies_) {
            id = ++lastId_;
            bodies_->raisedBeforeWord(request.pending, id);
        }
        // A request that had to wait could not be blocked when the engine announced it: the
        // browser stops loading instead.
        if (raise(request.pending.browser, url, raised, request.frame, id,
                  request.post && request.pending.unconfirmed) &&
            request.pending.browser)
            decisions_.cancelLate(*request.pending.browser);
        for (const auto& then : request.then)
            then();
    }
    if (!waiting_.empty())
        timer_.start(std::max<qint64>(0, waiting_.front().deadline.remainingTime()));
    else
        timer_.stop();
}

} // namespace waytrace
