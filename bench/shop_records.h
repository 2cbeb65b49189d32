#pragma once

// Records as a recorded shop visit gives them, for the benchmarks that read or write sequences.

#include "core/recorded_sequence.h"

#include <map>
#include <memory>
#include <string>

namespace bench {

// `records` records: most GETs, every fourth a form POST with a login. Made once per size.
inline const waytrace::RecordedSequence& shopRecords(std::size_t records)
{
    using namespace waytrace;
    static std::map<std::size_t, std::unique_ptr<RecordedSequence>> cache;
    auto& slot = cache[records];
    if (!slot) {
        slot = std::make_unique<RecordedSequence>();
        for (std::size_t i = 0; i < records; ++i) {
            auto r = std::make_shared<UrlRecord>();
            const auto text = std::to_string(i);
            const std::u16string n(text.begin(), text.end());
            r->urlAddress =
                u"http://shop.example.com:8080/catalogue/list.do?cat=" + n + u"&sort=price&page=2";
            r->displayName = u"Catalogue page " + n;
            if (i % 4 == 3) {
                r->method = HttpMethod::Post;
                r->postBody = u"user=buyer&item=" + n + u"&qty=1&note=gift%25wrap";
                r->headers = u"Content-Type: application/x-www-form-urlencoded\r\n";
                r->userName = u"buyer";
                r->password = u"s3cret";
            }
            r->requiredKeywords = u"Products";
            r->forbiddenKeywords = u"Error";
            slot->append(r);
        }
    }
    return *slot;
}

} // namespace bench
