// Reading a page without a browser, on any text a server may send: title, visible text, the
// values it offers, its fingerprint and a comparison with itself, never more than the text.

#include "core/html_text.h"
#include "core/seen_page.h"
#include "core/trial_run_verdict.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One character per byte, as a single-byte charset decodes.
    const std::u16string html(data, data + size);
    const auto reading = waytrace::readHtml(html);
    // Every reference decodes to at most as many units as it is written in, but the parser
    // turns a NUL or a bad byte into U+FFFD: the text may not grow past that.
    if (reading.title.size() > size || reading.text.size() > size)
        std::abort();
    for (const auto& [name, value, target, hidden] : reading.offered)
        if (name.size() + value.size() > size || target.size() > size)
            std::abort();
    const auto page = waytrace::seenPageOf(200, u"http://h/", reading);
    if (page.fingerprint.size() > waytrace::kFingerprintSize ||
        page.lines.size() > waytrace::kSeenLines || !waytrace::comparePages(page, page).empty())
        std::abort();
    waytrace::LiveValues live;
    live.offer(1, reading, u"http://h/a/b?c");
    if (waytrace::resolvedAddress(u"http://h/a/b?c", html.substr(0, 100)).size() > 200)
        std::abort();
    waytrace::UrlRecord record;
    record.postBody = html.substr(0, 200);
    static_cast<void>(live.staleIn(record));
    return 0;
}
