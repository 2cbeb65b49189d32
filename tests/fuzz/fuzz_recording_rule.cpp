// The recording rule on any address, header text, method and body: it never faults, cancels
// exactly the empty-host address, and keeps every body byte of a POST.

#include "fuzz_input.h"

#include "core/recording_rule.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const auto url = input.text();
    const auto headers = input.text();
    const auto body = input.bytes();
    const auto method =
        body.empty() || body.front() % 2 ? waytrace::HttpMethod::Get : waytrace::HttpMethod::Post;

    waytrace::RecordedSequence sequence;
    const auto outcome =
        waytrace::applyRecordingRule({url, headers, method, body}, u"http://help/", sequence);
    if (outcome.cancel != (url == u"http:///"))
        std::abort();
    if (!outcome.record)
        return 0;
    const auto& record = *outcome.record;
    if (!(url.starts_with(u"http://") || url.starts_with(u"https://")) || sequence.count() != 1)
        std::abort();
    if (record.method != method)
        std::abort();
    std::size_t percents = 0;
    for (const auto byte : body)
        percents += byte == '%';
    const std::size_t expected =
        method == waytrace::HttpMethod::Post ? body.size() + 2 * percents : 0;
    if (record.postBody.size() != expected)
        std::abort();
    return 0;
}
