// What a frame reports, on any message: a message without the secret is never read as a
// report; a form report's body comes with its Content-Type line. And a body the engine sent, on
// any bytes: only file contents go, so it never grows, and taking them out twice changes nothing.

#include "fuzz_qt_input.h"

#include "navigation/capture_report.h"
#include "navigation/form_body.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const QString secret = QStringLiteral("wt0123:");
    const auto message = QString::fromUtf8(qtBytes(input));
    if (waytrace::readCaptureReport(message, secret) && !message.startsWith(secret))
        std::abort();

    if (const auto report = waytrace::readCaptureReport(secret + message, secret);
        report && report->kind == waytrace::CaptureReport::Kind::Form &&
        report->body.headers.isEmpty())
        std::abort();

    const auto sent = qtBytes(input);
    const auto kept = waytrace::sentBody(sent, "multipart/form-data; boundary=B").postData;
    if (kept.size() > sent.size() ||
        waytrace::sentBody(kept, "multipart/form-data; boundary=B").postData != kept)
        std::abort();
    return 0;
}
