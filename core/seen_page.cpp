#include "seen_page.h"

#include "html_text.h"
#include "secrets.h"
#include "trial_run_verdict.h"

#include <algorithm>
#include <cstdint>

namespace waytrace {

namespace {

// The first of `lines` that `others` does not have.
std::u16string firstLineMissing(const std::vector<std::u16string>& lines,
                                const std::vector<std::u16string>& others)
{
    for (const auto& line : lines)
        if (std::find(others.begin(), others.end(), line) == others.end())
            return line;
    return {};
}

constexpr std::uint32_t kFnvBasis = 2166136261U;

// FNV-1a over the text's UTF-16 bytes, from `hash` on.
std::uint32_t fnv1a(std::u16string_view text, std::uint32_t hash)
{
    for (const char16_t c : text) {
        hash = (hash ^ (c & 0xff)) * 16777619U;
        hash = (hash ^ (c >> 8)) * 16777619U;
    }
    return hash;
}

// An address without its fragment, its user part and query values that change per visit or
// are credentials (a file without passwords keeps none of them), so that a fresh token in a
// redirect's target is not a different page.
std::u16string comparableAddress(std::u16string_view address)
{
    address = address.substr(0, address.find(u'#'));
    const auto question = address.find(u'?');
    std::u16string out(address.substr(0, question));
    if (const auto scheme = out.find(u"://"); scheme != out.npos) {
        const auto at = out.find(u'@', scheme);
        if (at != out.npos && at < out.find(u'/', scheme + 3))
            out.erase(scheme + 3, at - scheme - 2);
    }
    if (question == std::u16string_view::npos)
        return out;
    char16_t separator = u'?';
    for (const auto& [name, value, target, hidden] : formFields(address.substr(question + 1))) {
        if (isPerVisitValue(name, value) || namesCredential(name, true))
            continue;
        out += separator + name + u'=' + value;
        separator = u'&';
    }
    return out;
}

std::u16string number(int value)
{
    std::u16string text;
    for (const char c : std::to_string(value))
        text += static_cast<char16_t>(c);
    return text;
}

} // namespace

TextFingerprint textFingerprint(std::u16string_view text)
{
    std::vector<std::u16string_view> words;
    std::size_t from = 0;
    while (from < text.size()) {
        auto end = text.find_first_of(u" \n", from);
        if (end == std::u16string_view::npos)
            end = text.size();
        if (end > from)
            words.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    const std::size_t span = std::min<std::size_t>(3, words.size());
    // Only the smallest hashes are kept, as they come: a step keeps its page's fingerprint for
    // as long as the sequence lives, so its size may not follow the page's.
    TextFingerprint hashes;
    hashes.reserve(kFingerprintSize + 1);
    for (std::size_t i = 0; span > 0 && i + span <= words.size(); ++i) {
        // The triple's words one space apart, wherever a line broke between them.
        std::uint32_t hash = fnv1a(words[i], kFnvBasis);
        for (std::size_t k = 1; k < span; ++k)
            hash = fnv1a(words[i + k], fnv1a(u" ", hash));
        if (hashes.size() == kFingerprintSize && hash >= hashes.back())
            continue;
        const auto at = std::lower_bound(hashes.begin(), hashes.end(), hash);
        if (at != hashes.end() && *at == hash)
            continue;
        hashes.insert(at, hash);
        if (hashes.size() > kFingerprintSize)
            hashes.pop_back();
    }
    hashes.shrink_to_fit();
    return hashes;
}

double fingerprintContainment(const TextFingerprint& part, const TextFingerprint& whole)
{
    if (part.empty() || whole.empty())
        return part.empty() ? 1.0 : 0.0;
    // A full sketch holds the smallest hashes of the whole: only the part's hashes up to its
    // largest can be looked for in it.
    const auto limit = whole.size() < kFingerprintSize ? UINT32_MAX : whole.back();
    std::size_t looked = 0;
    std::size_t found = 0;
    for (const auto hash : part) {
        if (hash > limit)
            break;
        ++looked;
        found += std::binary_search(whole.begin(), whole.end(), hash);
    }
    return looked == 0 ? fingerprintSimilarity(part, whole)
                       : static_cast<double>(found) / static_cast<double>(looked);
}

double fingerprintSimilarity(const TextFingerprint& a, const TextFingerprint& b)
{
    if (a.empty() || b.empty())
        return a.empty() && b.empty() ? 1.0 : 0.0;
    // The smallest hashes of the union: the share of them in both estimates the share of
    // triples in both.
    TextFingerprint together;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(together));
    together.resize(std::min({together.size(), kFingerprintSize, std::max(a.size(), b.size())}));
    std::size_t shared = 0;
    for (const auto hash : together)
        shared += std::binary_search(a.begin(), a.end(), hash) &&
                  std::binary_search(b.begin(), b.end(), hash);
    return static_cast<double>(shared) / static_cast<double>(together.size());
}

SeenPage seenPageOf(int status, std::u16string finalUrl, const HtmlReading& page)
{
    SeenPage seen{status, std::move(finalUrl), page.title, textFingerprint(page.text), {}};
    std::u16string_view text = page.text;
    while (!text.empty() && seen.lines.size() < kSeenLines) {
        const auto end = std::min(text.find(u'\n'), text.size());
        seen.lines.emplace_back(text.substr(0, std::min(end, kSeenLineLength)));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return seen;
}

SeenPage seenPageOf(int status, std::u16string finalUrl, std::u16string_view html)
{
    return seenPageOf(status, std::move(finalUrl), readHtml(html));
}

std::vector<PageDifference> comparePages(const SeenPage& saw, const SeenPage& got)
{
    using Kind = PageDifference::Kind;
    std::vector<PageDifference> differences;
    if (saw.status != 0 && got.status != 0 && saw.status != got.status)
        differences.push_back({Kind::Status, number(saw.status), number(got.status), 0});
    if (!saw.finalUrl.empty() && !got.finalUrl.empty() &&
        comparableAddress(saw.finalUrl) != comparableAddress(got.finalUrl))
        differences.push_back({Kind::Address, saw.finalUrl, got.finalUrl, 0});
    if (!saw.title.empty() && saw.title != got.title)
        differences.push_back({Kind::Title, saw.title, got.title, 0});
    if (saw.fingerprint.size() >= kComparableText && got.fingerprint.size() >= kComparableText) {
        // What the user saw was read after the page's scripts added to it (toolbars, notices);
        // the replay reads what the server sent. So the question is how much of the replay's
        // text the user saw, not how alike the two are as wholes.
        const double alike = fingerprintContainment(got.fingerprint, saw.fingerprint);
        if (alike < kAlikeText)
            differences.push_back({Kind::Text, firstLineMissing(saw.lines, got.lines),
                                   firstLineMissing(got.lines, saw.lines),
                                   static_cast<int>(alike * 100 + 0.5)});
    }
    return differences;
}

} // namespace waytrace
