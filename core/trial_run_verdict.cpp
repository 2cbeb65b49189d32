#include "trial_run_verdict.h"

#include "html_text.h"
#include "recording_rule.h"
#include "sent_fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_set>

namespace waytrace {

namespace {

bool fires(CodeCondition condition, int status, int code)
{
    switch (condition) {
    case CodeCondition::GreaterThan:
        return status > code;
    case CodeCondition::EqualTo:
        return status == code;
    case CodeCondition::NotEqualTo:
        return status != code;
    }
    return false;
}

constexpr bool isAsciiAlnum(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

constexpr char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool isTokenName(std::u16string_view name)
{
    // Found inside longer words too ("csrfmiddlewaretoken", "jsessionid").
    static constexpr std::array<std::u16string_view, 13> kParts{u"tok",
                                                                u"csrf",
                                                                u"xsrf",
                                                                u"nonce",
                                                                u"session",
                                                                u"viewstate",
                                                                u"eventvalidation",
                                                                u"timestamp",
                                                                u"samlresponse",
                                                                u"samlrequest",
                                                                u"authenticity",
                                                                u"ticket",
                                                                u"sesskey"};
    // Too short to look for inside a word ("section", "statement"), and saying what the field
    // is only as its last word ("phpsessid", "start_date", "oauthstate"; never "date_format").
    static constexpr std::array<std::u16string_view, 5> kEnds{u"sec", u"sid", u"state", u"date",
                                                              u"sess"};
    const auto words = fieldNameWords(name);
    if (words.empty())
        return false;
    const std::u16string_view last = words.back();
    return std::any_of(words.begin(), words.end(),
                       [](const std::u16string& word) {
                           return std::any_of(kParts.begin(), kParts.end(), [&](auto part) {
                               return word.find(part) != word.npos;
                           });
                       }) ||
           std::any_of(kEnds.begin(), kEnds.end(), [&](auto end) { return last.ends_with(end); });
}

// Seconds or milliseconds since 1970, between 2001 and 2033: a page's time stamp.
bool looksLikeEpoch(std::u16string_view value)
{
    if ((value.size() != 10 && value.size() != 13) || (value[0] != u'1' && value[0] != u'2') ||
        !std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
        return false;
    return value[0] == u'1' || value[1] == u'0';
}

// Long, base64 or hex only, letters and digits mixed, and as varied as random text is.
bool looksRandom(std::u16string_view value)
{
    constexpr std::size_t kMinLength = 16;
    constexpr double kMinBitsPerCharacter = 3.0;
    if (value.size() < kMinLength)
        return false;
    bool digit = false;
    bool letter = false;
    std::array<int, 128> counts{};
    for (const char16_t c : value) {
        const bool base64 =
            isAsciiAlnum(c) || c == u'+' || c == u'/' || c == u'=' || c == u'-' || c == u'_';
        if (!base64)
            return false;
        digit = digit || (c >= u'0' && c <= u'9');
        letter = letter || (c >= u'A' && lower(c) >= u'a' && lower(c) <= u'z');
        ++counts[c];
    }
    if (!digit || !letter)
        return false;
    double bits = 0;
    const auto size = static_cast<double>(value.size());
    for (const int count : counts)
        if (count > 0)
            bits -= count / size * std::log2(count / size);
    return bits >= kMinBitsPerCharacter;
}

// Ten to 31 hex digits, letters and digits both, varied: a nonce ("_wpnonce", a comment form's
// "_wp_unfiltered_html_comment"). A hash of 32 or more is as likely a hash of the content.
bool looksLikeHexNonce(std::u16string_view value)
{
    constexpr std::size_t kMinLength = 10;
    constexpr std::size_t kHashLength = 32;
    constexpr std::size_t kMinDistinct = 5;
    if (value.size() < kMinLength || value.size() >= kHashLength)
        return false;
    bool digit = false;
    bool letter = false;
    std::array<bool, 16> seen{};
    for (const char16_t c : value) {
        const char16_t l = lower(c);
        if (l >= u'0' && l <= u'9')
            digit = true;
        else if (l >= u'a' && l <= u'f')
            letter = true;
        else
            return false;
        seen[static_cast<std::size_t>(l <= u'9' ? l - u'0' : l - u'a' + 10)] = true;
    }
    return digit && letter &&
           static_cast<std::size_t>(std::count(seen.begin(), seen.end(), true)) >= kMinDistinct;
}

// YYYYMMDDhhmmss, as wikis stamp the start of an edit.
bool looksLikeTimeStamp(std::u16string_view value)
{
    if (value.size() != 14 ||
        !std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
        return false;
    const auto at = [&](std::size_t i) { return (value[i] - u'0') * 10 + (value[i + 1] - u'0'); };
    return (at(0) == 19 || at(0) == 20) && at(4) >= 1 && at(4) <= 12 && at(6) >= 1 && at(6) <= 31 &&
           at(8) < 24 && at(10) < 60 && at(12) < 60;
}

// A field whose name or value's shape says it is a token or a stamp of the visit.
bool looksLikeToken(std::u16string_view name, std::u16string_view value)
{
    return isTokenName(name) || looksLikeHexNonce(value) || looksLikeEpoch(value) ||
           looksLikeTimeStamp(value);
}

// An address without its query and fragment.
std::u16string_view withoutQuery(std::u16string_view address)
{
    return address.substr(0, address.find_first_of(u"?#"));
}

} // namespace

PhraseScan::PhraseScan(std::string phrase, std::size_t unit)
    : phrase_(std::move(phrase)), unit_(unit)
{
}

bool PhraseScan::occursIn(std::string_view text) const
{
    // memmem: fast on any text, long runs of one character included.
    const char* from = text.data();
    const char* const end = text.data() + text.size();
    while (static_cast<std::size_t>(end - from) >= phrase_.size()) {
        const auto* hit = static_cast<const char*>(
            memmem(from, static_cast<std::size_t>(end - from), phrase_.data(), phrase_.size()));
        if (hit == nullptr)
            return false;
        if (static_cast<std::size_t>(hit - text.data()) % unit_ == 0)
            return true;
        from = hit + 1; // inside a code unit: not an occurrence of the text
    }
    return false;
}

void PhraseScan::feed(std::string_view piece)
{
    if (found_ || phrase_.empty() || piece.empty())
        return;
    const std::size_t keep = phrase_.size() - unit_; // whole units, as the phrase is
    // Only the seam needs the carried text: the piece itself is searched where it lies.
    if (!carried_.empty()) {
        std::string seam = carried_;
        seam.append(piece.substr(0, std::min(keep, piece.size())));
        if (occursIn(seam)) {
            found_ = true;
            return;
        }
    }
    if (occursIn(piece)) {
        found_ = true;
        return;
    }
    if (piece.size() >= keep) {
        carried_.assign(piece.substr(piece.size() - keep));
    } else {
        carried_.append(piece);
        carried_.erase(0, carried_.size() - std::min(keep, carried_.size()));
    }
}

std::string unitBytes(std::u16string_view text)
{
    return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
}

ResponseJudge::ResponseJudge(std::string requiredKeywords, std::string forbiddenKeywords,
                             std::size_t unit)
    : required_(std::move(requiredKeywords), unit), forbidden_(std::move(forbiddenKeywords), unit)
{
}

void ResponseJudge::feed(std::string_view piece)
{
    required_.feed(piece);
    forbidden_.feed(piece);
}

bool ResponseJudge::searching() const
{
    return (required_.wanted() && !required_.found()) ||
           (forbidden_.wanted() && !forbidden_.found());
}

ConditionVerdict ResponseJudge::verdict(int status, std::optional<CodeCondition> condition,
                                        int code) const
{
    ConditionVerdict verdict;
    if (required_.wanted())
        verdict.requiredKeywords = !required_.found();
    if (forbidden_.wanted())
        verdict.forbiddenKeywords = forbidden_.found();
    if (condition)
        verdict.responseCondition = fires(*condition, status, code);
    return verdict;
}

ConditionVerdict judgeResponse(int status, std::u16string_view body,
                               std::u16string_view requiredKeywords,
                               std::u16string_view forbiddenKeywords,
                               std::optional<CodeCondition> condition, int code)
{
    ResponseJudge judge(unitBytes(requiredKeywords), unitBytes(forbiddenKeywords), 2);
    judge.feed({reinterpret_cast<const char*>(body.data()), body.size() * sizeof(char16_t)});
    return judge.verdict(status, condition, code);
}

bool isPerVisitValue(std::u16string_view name, std::u16string_view value)
{
    return looksLikeToken(name, value) || looksRandom(value);
}

std::vector<StaleField> staleFields(const UrlRecord& record)
{
    std::vector<StaleField> found;
    for (auto& sent : sentFields(record)) {
        if (std::any_of(found.begin(), found.end(),
                        [&](const StaleField& field) { return field.name == sent.name; }))
            continue;
        const auto kind = looksLikeToken(sent.name, sent.value) ? StaleField::Kind::Token
                                                                : StaleField::Kind::ChangesPerVisit;
        if (isTokenName(sent.name))
            found.push_back({std::move(sent.name),
                             StaleField::Reason::TokenName,
                             kind,
                             std::move(sent.value),
                             {},
                             std::nullopt});
        else if (isPerVisitValue({}, sent.value))
            found.push_back({std::move(sent.name),
                             StaleField::Reason::RandomValue,
                             kind,
                             std::move(sent.value),
                             {},
                             std::nullopt});
    }
    return found;
}

std::u16string resolvedAddress(std::u16string_view base, std::u16string_view reference)
{
    base = base.substr(0, base.find(u'#'));
    const auto scheme = base.find(u"://");
    if (scheme == base.npos)
        return std::u16string(reference);
    const auto pathStart = std::min(base.find(u'/', scheme + 3), base.size());
    const auto queryStart = std::min(base.find(u'?', pathStart), base.size());
    const auto colon = reference.find(u':');
    if (colon != reference.npos && colon < reference.find_first_of(u"/?#"))
        return std::u16string(reference); // has its own scheme
    if (reference.starts_with(u"//"))
        return std::u16string(base.substr(0, scheme + 1)) + std::u16string(reference);
    if (reference.starts_with(u'/'))
        return std::u16string(base.substr(0, pathStart)) + std::u16string(reference);
    if (reference.empty() || reference.starts_with(u'#'))
        return std::u16string(base);
    if (reference.starts_with(u'?'))
        return std::u16string(base.substr(0, queryStart)) + std::u16string(reference);
    // Relative to the page's folder; "./" and "../" as a browser reads them.
    std::u16string path(base.substr(pathStart, queryStart - pathStart));
    path.erase(path.rfind(u'/') + 1);
    while (true) {
        if (reference.starts_with(u"./")) {
            reference.remove_prefix(2);
        } else if (reference.starts_with(u"../")) {
            reference.remove_prefix(3);
            if (path.size() > 1)
                path.erase(path.rfind(u'/', path.size() - 2) + 1);
        } else {
            break;
        }
    }
    if (path.empty())
        path = u"/";
    return std::u16string(base.substr(0, pathStart)) + path + std::u16string(reference);
}

void LiveValues::offer(std::size_t index, const HtmlReading& page, std::u16string_view address)
{
    // The newest page that offers a name stands for it, with every value it offers. A page may
    // offer thousands (a link each): looked up by name, never compared pairwise.
    std::unordered_set<std::u16string_view> names;
    for (const auto& offered : page.offered)
        names.insert(offered.name);
    std::erase_if(values_, [&](const Offer& known) { return names.contains(known.name); });
    // A link's two fields go to one address: made absolute once.
    std::u16string_view lastTarget;
    std::u16string resolved;
    for (const auto& offered : page.offered) {
        if (resolved.empty() || offered.target != lastTarget) {
            lastTarget = offered.target;
            resolved = resolvedAddress(address, offered.target);
        }
        values_.push_back({offered.name, offered.value, resolved, index, offered.hidden});
    }
}

const LiveValues::Offer* LiveValues::offerFor(const std::u16string& name,
                                              std::u16string_view address) const
{
    std::vector<const Offer*> candidates;
    for (const auto& offer : values_)
        if (offer.name == name)
            candidates.push_back(&offer);
    const auto single = [](const std::vector<const Offer*>& offers) -> const Offer* {
        if (offers.empty())
            return nullptr;
        return std::all_of(offers.begin(), offers.end(),
                           [&](const Offer* offer) { return offer->value == offers[0]->value; })
                   ? offers[0]
                   : nullptr;
    };
    if (const Offer* only = single(candidates))
        return only;
    // Offered several times (the form's token and the logout link's): the one that goes here.
    std::erase_if(candidates, [&](const Offer* offer) {
        return withoutQuery(offer->target) != withoutQuery(address);
    });
    return single(candidates);
}

std::vector<StaleField> LiveValues::staleIn(const UrlRecord& record) const
{
    std::vector<StaleField> found;
    for (auto& field : sentFields(record)) {
        // Named, not bound: lambdas below see them.
        auto& name = field.name;
        auto& recorded = field.value;
        if (std::any_of(found.begin(), found.end(),
                        [&](const StaleField& stale) { return stale.name == name; }))
            continue;
        const bool token = looksLikeToken(name, recorded);
        const auto kind = token ? StaleField::Kind::Token : StaleField::Kind::ChangesPerVisit;
        const bool offered = std::any_of(values_.begin(), values_.end(),
                                         [&](const Offer& offer) { return offer.name == name; });
        if (const Offer* live = offerFor(name, record.urlAddress)) {
            // A link's query value that is no token is where the user went ("id" of a wiki's
            // page), not something the page hands out per visit.
            if (live->value != recorded && (token || live->hidden))
                found.push_back({std::move(name), StaleField::Reason::LiveValue, kind,
                                 std::move(recorded), live->value, live->step});
        } else if (!offered && token) {
            // No page of the run offers it: its name or shape is all there is to go by.
            found.push_back({std::move(name),
                             isTokenName(name) ? StaleField::Reason::TokenName
                                               : StaleField::Reason::RandomValue,
                             kind,
                             std::move(recorded),
                             {},
                             std::nullopt});
        }
    }
    return found;
}

} // namespace waytrace
