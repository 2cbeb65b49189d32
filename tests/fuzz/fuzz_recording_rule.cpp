// The recording rule on any address, header text and body: it never faults, cancels exactly the
// empty-host address, and keeps every body byte but the last.

#include "fuzz_input.h"

#include "core/recording_rule.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const auto url = input.text();
    const auto headers = input.text();
    const auto body = input.bytes();

    waytrace::RecordedSequence sequence;
    const auto outcome =
        waytrace::applyRecordingRule({url, headers, body}, u"http://help/", sequence);
    if (outcome.cancel != (url == u"http:///"))
        std::abort();
    if (!outcome.record)
        return 0;
    const auto& record = *outcome.record;
    if (!(url.starts_with(u"http://") || url.starts_with(u"https://")) || sequence.count() != 1)
        std::abort();
    if ((record.method == waytrace::HttpMethod::Post) != !body.empty())
        std::abort();
    std::size_t percents = 0;
    for (std::size_t i = 0; i + 1 < body.size(); ++i)
        percents += body[i] == '%';
    const std::size_t expected = body.empty() ? 0 : body.size() - 1 + 2 * percents;
    if (record.postBody.size() != expected)
        std::abort();
    return 0;
}
