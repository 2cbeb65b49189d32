// The event-stream reader on any bytes: a bad line is an EventStreamError and nothing else, and
// every event it accepts is written back as a line that reads as the same event.

#include <QBuffer>

#include "streams/event_stream.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool sameEvent(const waytrace::StreamEvent& a, const waytrace::StreamEvent& b)
{
    return a.kind == b.kind && a.browser == b.browser && a.url == b.url && a.headers == b.headers &&
           a.method == b.method && a.body == b.body && a.isChildWindow == b.isChildWindow &&
           a.position == b.position && a.field == b.field && a.value == b.value;
}

bool validText(const waytrace::StreamEvent& event)
{
    // JSON output cannot carry a lone surrogate: such text comes back as U+FFFD.
    return event.url.isValidUtf16() && event.headers.isValidUtf16() && event.field.isValidUtf16() &&
           event.value.toString().isValidUtf16();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QList<waytrace::StreamEvent> events;
    try {
        events = waytrace::readEventStream(device);
    } catch (const waytrace::EventStreamError& error) {
        if (error.line() < 1)
            std::abort();
        return 0;
    }
    for (const auto& event : events) {
        auto line = waytrace::writeStreamEvent(event);
        if (line.contains('\n'))
            std::abort();
        QBuffer again(&line);
        again.open(QIODevice::ReadOnly);
        const auto reread = waytrace::readEventStream(again); // throws, and so fails, if unreadable
        if (reread.size() != 1 || (validText(event) && !sameEvent(event, reread.first())))
            std::abort();
    }
    return 0;
}
