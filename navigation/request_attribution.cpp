#include "request_attribution.h"

#include "request_key.h"

#include "browser/browser.h"

#include <QDateTime>

#include <algorithm>

namespace waytrace {

namespace {

// How long a page's announcement that it navigates stays good for the interceptor.
constexpr qint64 kExpectationMs = 10000;

} // namespace

RequestAttribution::RequestAttribution() : RequestAttribution(&QDateTime::currentMSecsSinceEpoch) {}

RequestAttribution::RequestAttribution(Clock clock) : clock_(std::move(clock)) {}

bool RequestAttribution::stale(const Expected& entry) const
{
    return !entry.browser || clock_() - entry.at > kExpectationMs;
}

void RequestAttribution::addBrowser(Browser* browser)
{
    browsers_.removeAll(nullptr);
    browsers_.append(browser);
}

void RequestAttribution::expectRequest(Browser* browser, const QUrl& url, bool redirect)
{
    expected_.removeIf([this](const Expected& expected) { return stale(expected); });
    expected_.append({browser, requestKey(url), clock_(), redirect});
}

void RequestAttribution::expectNewWindow(Browser* browser)
{
    newWindow_ = browser;
}

RequestAttribution::Source RequestAttribution::takeRequest(const QUrl& url, bool mainFrame)
{
    const auto key = requestKey(url);
    for (qsizetype i = 0; i < expected_.size(); ++i) {
        if (expected_[i].url == key && expected_[i].browser) {
            const Source source{expected_[i].browser.data(), expected_[i].redirect};
            expected_.removeAt(i);
            if (source.browser == newWindow_)
                newWindow_.clear();
            return source;
        }
    }
    // The first request of a new window can come before its page is told of it.
    if (mainFrame && newWindow_) {
        auto* browser = newWindow_.data();
        newWindow_.clear();
        return {browser};
    }
    for (const auto& browser : browsers_)
        if (browser)
            return {browser};
    return {};
}

// How this engine tells the two kinds of redirect apart (measured; see the engine tests):
// - the page is told of both kinds as a redirect;
// - the interceptor sees a client redirect typed Redirect, and the follow-up of a server's
//   redirect typed as the request it follows (Link, Typed, FormSubmitted, Other).
// So a request the page was told of as a redirect but that the interceptor types otherwise is a
// server's. When the request followed is itself a client redirect, both are typed Redirect. In
// the top frame the follow-up then comes before the document of the request it follows was
// created, which a client redirect never does. In a frame, a navigation that the frame's own
// document started was told to it (its navigate event), a server's redirect never is; one the
// frame's document could not tell (a first document of its own) is a server's redirect only
// while a request of a frame is still waiting for its document to load.
bool RequestAttribution::isServerRedirect(const Source& source, const QUrl& url, bool mainFrame,
                                          bool clientRedirect)
{
    if (!source.toldRedirect)
        return false;
    if (!clientRedirect)
        return true;
    if (mainFrame)
        return source.browser && awaitingTopDocument_.contains(source.browser);
    dropStaleFrameNotes();
    const auto key = requestKey(url);
    for (qsizetype i = 0; i < frameNavigations_.size(); ++i) {
        if (frameNavigations_[i].url == key && frameNavigations_[i].browser == source.browser) {
            frameNavigations_.removeAt(i);
            return false;
        }
    }
    return std::any_of(frameRequests_.cbegin(), frameRequests_.cend(),
                       [&](const Expected& sent) { return sent.browser == source.browser; });
}

void RequestAttribution::dropStaleFrameNotes()
{
    const auto isStale = [this](const Expected& entry) { return stale(entry); };
    frameNavigations_.removeIf(isStale);
    frameRequests_.removeIf(isStale);
}

void RequestAttribution::frameRequestSent(Browser* browser, const QUrl& url, bool redirected)
{
    dropStaleFrameNotes();
    const auto key = requestKey(url);
    const auto now = clock_();
    if (redirected) {
        // The newest request of the browser's frames moved on: its document comes at `url`.
        for (auto it = frameRequests_.rbegin(); it != frameRequests_.rend(); ++it) {
            if (it->browser == browser) {
                it->url = key;
                it->at = now;
                return;
            }
        }
    }
    frameRequests_.append({browser, key, now});
}

void RequestAttribution::frameNavigated(Browser* browser, const QUrl& url)
{
    dropStaleFrameNotes();
    frameNavigations_.append({browser, requestKey(url), clock_()});
}

void RequestAttribution::frameDocumentLoaded(Browser* browser, const QUrl& url)
{
    const auto key = requestKey(url);
    const auto found =
        std::find_if(frameRequests_.cbegin(), frameRequests_.cend(), [&](const Expected& sent) {
            return sent.browser == browser && sent.url == key;
        });
    if (found != frameRequests_.cend())
        frameRequests_.erase(found);
}

void RequestAttribution::topRequestSent(Browser* browser)
{
    awaitingTopDocument_.removeAll(nullptr);
    if (!awaitingTopDocument_.contains(browser))
        awaitingTopDocument_.append(browser);
}

void RequestAttribution::topRequestEnded(Browser* browser)
{
    awaitingTopDocument_.removeAll(browser);
}

} // namespace waytrace
