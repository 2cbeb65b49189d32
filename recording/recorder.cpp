#include "recorder.h"

#include "browser/browser.h"
#include "common/error_trap.h"
#include "core/recording_rule.h"
#include "core/secrets.h"
#include "core/seen_page.h"

#include <QUrl>

#include <algorithm>
#include <span>
#include <utility>

namespace waytrace {

Recorder::Recorder(QString helpUrl, QObject* parent) : QObject(parent), helpUrl_(std::move(helpUrl))
{
}

void Recorder::listen(Browser& browser, bool newWindow)
{
    // A failure leaves the navigation as the browser and earlier listeners decided.
    connect(&browser, &Browser::beforeNavigate2, this,
            [this, &browser, newWindow](NavigationRequest& request) {
                runTrapped([&] {
                    const auto count = sequence_.count();
                    if (record(request))
                        request.cancel();
                    if (sequence_.count() == count)
                        return;
                    // The new step: the last, or the one just put in the middle.
                    const auto point = sequence_.insertionPoint();
                    const auto step = sequence_.at((point ? *point : sequence_.count()) - 1);
                    // What the top page shows next is the newest top-page step's: a load that
                    // ended without a page described (an error status, a failed or stopped
                    // load) gives its step none, never the next step's page. A frame's step has
                    // a page of its own, never the top one.
                    if (!request.isFrame())
                        pages_[&browser].awaiting = step;
                    if (request.bodyUnconfirmed() && step) {
                        step->bodyUnconfirmed = true;
                        if (request.id() != 0)
                            unconfirmed_[request.id()] = step;
                    }
                    if (step) {
                        step->fromFrame = request.isFrame();
                        step->fromNewWindow = newWindow;
                        markPasswordFields(*step, passwordFields_);
                        emit stepRecorded(step);
                    }
                });
            });
    connect(
        &browser, &Browser::requestBodyConfirmed, this, [this](const NavigationRequest& request) {
            runTrapped([&] {
                const auto found = unconfirmed_.find(request.id());
                if (found == unconfirmed_.end())
                    return;
                const auto step = found->second.lock();
                unconfirmed_.erase(found);
                if (!step)
                    return;
                const auto& body = request.body();
                step->headers = request.headers().toStdU16String();
                step->postBody =
                    postDataText(std::span(reinterpret_cast<const std::uint8_t*>(body.constData()),
                                           static_cast<std::size_t>(body.size())));
                step->bodyUnconfirmed = false;
                emit bodyConfirmed(step);
            });
        });
    connect(&browser, &Browser::navigateComplete2, this, [this, &browser] {
        auto& watch = pages_[&browser];
        watch.describing.push_back(std::exchange(watch.awaiting, {}));
    });
    connect(&browser, &Browser::pageShown, this,
            [this, &browser](int status, const QString& url, const QString& html) {
                runTrapped([&] {
                    auto& watch = pages_[&browser];
                    if (watch.describing.empty())
                        return;
                    const auto record = watch.describing.front().lock();
                    watch.describing.pop_front();
                    watch.shown = record;
                    if (record && !record->seen)
                        record->seen =
                            seenPageOf(status, url.toStdU16String(), html.toStdU16String());
                });
            });
    connect(&browser, &QObject::destroyed, this, [this, &browser] { pages_.erase(&browser); });
    // The report and the request come in either order: the steps already recorded are marked
    // too, and the steps to come.
    connect(&browser, &Browser::passwordFieldsSent, this, [this](const QStringList& names) {
        runTrapped([&] {
            for (const auto& name : names)
                if (std::ranges::find(passwordFields_, name.toStdU16String()) ==
                    passwordFields_.end())
                    passwordFields_.push_back(name.toStdU16String());
            for (const auto& step : sequence_)
                markPasswordFields(*step, passwordFields_);
        });
    });
    connect(&browser, &Browser::credentialsEntered, this,
            [this](const QString& url, const QString& userName, const QString& password) {
                runTrapped([&] {
                    if (const auto record = storeCredentials(sequence_, url, userName, password))
                        emit credentialsStored(record);
                });
            });
}

RecordRef Recorder::shownStep(const Browser& browser) const
{
    const auto found = pages_.find(&browser);
    return found == pages_.end() ? nullptr : found->second.shown.lock();
}

bool Recorder::record(const NavigationRequest& request)
{
    const bool cancel = recordNavigation(sequence_, helpUrl_, request);
    if (cancel)
        cancelled_.append(request.url());
    return cancel;
}

bool recordNavigation(RecordedSequence& sequence, const QString& helpUrl,
                      const NavigationRequest& request)
{
    const auto address = request.url().toStdU16String();
    const auto headerText = request.headers().toStdU16String();
    const auto help = helpUrl.toStdU16String();
    const auto& body = request.body();
    const Navigation navigation{address, headerText, request.method(),
                                std::span(reinterpret_cast<const std::uint8_t*>(body.constData()),
                                          static_cast<std::size_t>(body.size()))};
    return applyRecordingRule(navigation, help, sequence).cancel;
}

RecordRef storeCredentials(RecordedSequence& sequence, const QString& url, const QString& userName,
                           const QString& password)
{
    const QUrl address = QUrl(url).adjusted(QUrl::RemoveFragment);
    // The step of that address; failing that, the newest step on the same server: a server
    // redirect leads to the protected address within a step that the monitor follows likewise.
    RecordRef sameServer;
    for (auto index = sequence.count(); index-- > 0;) {
        const RecordRef record = sequence.at(index);
        if (!record)
            continue;
        const QUrl recorded =
            QUrl(QString::fromStdU16String(record->urlAddress)).adjusted(QUrl::RemoveFragment);
        if (recorded == address) {
            sameServer = record;
            break;
        }
        if (!sameServer && recorded.scheme() == address.scheme() &&
            recorded.host() == address.host() && recorded.port() == address.port())
            sameServer = record;
    }
    if (sameServer) {
        sameServer->userName = userName.toStdU16String();
        sameServer->password = password.toStdU16String();
    }
    return sameServer;
}

} // namespace waytrace
