// What a frame reports, through to the queue, on any message: a message without the secret is
// never read as a report; a form report's body ends with its terminating byte and is the body
// raised for the next POST to its action. And a body the engine sent, on any bytes: only file
// contents go, so it never grows, and taking them out twice changes nothing.

#include "fuzz_qt_input.h"

#include "browser/scripted_browser.h"
#include "navigation/capture_report.h"
#include "navigation/navigation_queue.h"

#include <QCoreApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The queue's timer wants an application object.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const QString secret = QStringLiteral("wt0123:");
    const auto message = QString::fromUtf8(qtBytes(input));
    if (waytrace::readCaptureReport(message, secret) && !message.startsWith(secret))
        std::abort();

    if (auto report = waytrace::readCaptureReport(secret + message, secret);
        report && report->kind == waytrace::CaptureReport::Kind::Form) {
        if (!report->body.postData.endsWith('\0'))
            std::abort();
        waytrace::ScriptedBrowser browser;
        QByteArray raised;
        QObject::connect(
            &browser, &waytrace::Browser::beforeNavigate2,
            [&raised](waytrace::NavigationRequest& request) { raised = request.postData(); });
        waytrace::NavigationQueue queue;
        const auto expected = report->body.postData;
        const QUrl action(report->url);
        queue.offerBody(action, std::move(report->body));
        queue.announce(&browser, action, true);
        if (raised != expected)
            std::abort();
    }

    const auto sent = qtBytes(input);
    const auto kept = waytrace::sentBody(sent, "multipart/form-data; boundary=B").postData;
    if (!kept.endsWith('\0') || kept.size() > sent.size() + 1 ||
        waytrace::sentBody(kept.chopped(1), "multipart/form-data; boundary=B").postData != kept)
        std::abort();
    return 0;
}
