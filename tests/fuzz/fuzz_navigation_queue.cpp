// The navigation queue on any sequence of announcements, bodies (the pages' reports and the
// engine's own words) and cancelling handlers: the requests are raised in the order they were
// announced, each once; a GET carries no body and no header text; the
// engine is told to block only a request raised and cancelled at once; nothing is left waiting
// once every POST has its body.

#include "fuzz_input.h"

#include "browser/scripted_browser.h"
#include "navigation/navigation_queue.h"
#include "navigation/reported_bodies.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Request
{
    waytrace::Browser* browser;
    QString url;
    bool post;
};

// Raises on the scripted browsers and counts the late cancels.
struct Decisions : waytrace::NavigationDecisions
{
    bool raise(waytrace::Browser& browser, waytrace::NavigationRequest& request) override
    {
        emit browser.beforeNavigate2(request);
        return request.isCancelled();
    }
    void cancelLate(waytrace::Browser&) override { ++lateCancels; }
    void confirmBody(waytrace::Browser& browser,
                     const waytrace::NavigationRequest& request) override
    {
        emit browser.requestBodyConfirmed(request);
    }
    int lateCancels = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The queue's timer wants an application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace std::chrono_literals;
    waytrace::ScriptedBrowser main;
    waytrace::ScriptedBrowser popup;
    Decisions decisions;
    waytrace::ReportedBodies bodies(decisions);
    bodies.setBodyWait(1h); // a missing body keeps its request waiting
    waytrace::NavigationQueue queue(decisions);
    queue.setSeparateBodies(&bodies);
    const int& lateCancels = decisions.lateCancels;

    // A few addresses, so that bodies and requests meet; fragments do not count.
    const QString addresses[] = {QStringLiteral("http://h/a"), QStringLiteral("http://h/a#x"),
                                 QStringLiteral("http://h/b"), QStringLiteral("https://h/a")};
    std::vector<Request> announced;
    std::vector<Request> raised;
    bool cancelling = false;
    int cancelledLate = 0;
    for (auto* browser : {&main, &popup}) {
        QObject::connect(browser, &waytrace::Browser::beforeNavigate2, browser,
                         [&, browser](waytrace::NavigationRequest& request) {
                             const bool post = request.isPost();
                             if (!post &&
                                 (!request.body().isEmpty() || !request.headers().isEmpty()))
                                 std::abort();
                             raised.push_back({browser, request.url(), post});
                             if (cancelling)
                                 request.cancel();
                         });
    }

    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t op = data[i];
        const auto& address = addresses[(op >> 2) & 3];
        auto* browser = (op & 0x10) ? static_cast<waytrace::Browser*>(&popup) : &main;
        switch (op & 3) {
        case 0:
        case 1: {
            const bool post = op & 1;
            const bool wasIdle = queue.idle();
            const auto before = raised.size();
            announced.push_back({browser, QUrl(address).toString(QUrl::FullyEncoded), post});
            const bool block = queue.announce(browser, QUrl(address), post, std::nullopt, QUrl(),
                                              (op & 0x20) != 0);
            // Raised at once only when nothing waits; then the engine blocks it, if cancelled.
            const bool raisedNow = wasIdle && raised.size() > before;
            if (block != (raisedNow && cancelling))
                std::abort();
            if (cancelling && !raisedNow)
                cancelledLate += static_cast<int>(raised.size() - before);
            break;
        }
        case 2: {
            const auto before = raised.size();
            bodies.offerBody(QUrl(address), {QByteArray(op >> 5, 'x'), QString()});
            if (cancelling)
                cancelledLate += static_cast<int>(raised.size() - before);
            break;
        }
        default: {
            // The engine's own words on bodies, and its taking them back.
            const auto before = raised.size();
            const auto id = QString::number(op >> 5);
            switch (op >> 5) {
            case 0:
            case 1:
                cancelling = op & 4;
                break;
            case 2:
            case 3:
                bodies.retractBody(browser, QString::number((op >> 5) + 2));
                break;
            case 4:
            case 5:
                bodies.tellBody(browser, QUrl(address), id, std::nullopt);
                break;
            default:
                bodies.tellBody(browser, QUrl(address), id,
                                waytrace::FormBody{QByteArray(op >> 6, 'w'), QString()});
                break;
            }
            if (cancelling)
                cancelledLate += static_cast<int>(raised.size() - before);
            break;
        }
        }
        // Raised in announcement order, each once.
        if (raised.size() > announced.size())
            std::abort();
        for (std::size_t k = 0; k < raised.size(); ++k)
            if (raised[k].browser != announced[k].browser || raised[k].url != announced[k].url ||
                raised[k].post != announced[k].post)
                std::abort();
    }
    if (lateCancels != cancelledLate || queue.idle() != (raised.size() == announced.size()))
        std::abort();
    return 0;
}
