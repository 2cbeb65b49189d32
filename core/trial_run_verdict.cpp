#include "trial_run_verdict.h"

#include "html_text.h"
#include "recording_rule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// The words of a field name, in lower case: split at anything but letters and digits and
// where a lower-case letter meets an upper-case one ("csrfToken", "__RequestVerificationToken").
std::vector<std::u16string> nameWords(std::u16string_view name)
{
    std::vector<std::u16string> words;
    std::u16string word;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        const bool boundary = !isAsciiAlnum(c) || (i > 0 && c >= u'A' && c <= u'Z' &&
                                                   name[i - 1] >= u'a' && name[i - 1] <= u'z');
        if (boundary && !word.empty()) {
            words.push_back(word);
            word.clear();
        }
        if (isAsciiAlnum(c))
            word += lower(c);
    }
    if (!word.empty())
        words.push_back(word);
    return words;
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
    // Too short to look for inside a word ("section", "statement"): the whole word or its end
    // ("phpsessid", "startdate", "oauthstate").
    static constexpr std::array<std::u16string_view, 5> kEnds{u"sec", u"sid", u"state", u"date",
                                                              u"sess"};
    const auto words = nameWords(name);
    return std::any_of(words.begin(), words.end(), [](const std::u16string& word) {
        const std::u16string_view view = word;
        return std::any_of(kParts.begin(), kParts.end(),
                           [&](auto part) { return view.find(part) != view.npos; }) ||
               std::any_of(kEnds.begin(), kEnds.end(),
                           [&](auto end) { return view.ends_with(end); });
    });
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
    return isTokenName(name) || looksRandom(value) || looksLikeEpoch(value);
}

std::vector<StaleField> staleFields(const UrlRecord& record)
{
    std::vector<StaleField> found;
    const auto check = [&](std::u16string_view encoded) {
        for (auto& sent : formFields(encoded)) {
            if (std::any_of(found.begin(), found.end(),
                            [&](const StaleField& field) { return field.name == sent.name; }))
                continue;
            if (isTokenName(sent.name))
                found.push_back({std::move(sent.name), StaleField::Reason::TokenName, {}, {}, 0});
            else if (looksRandom(sent.value) || looksLikeEpoch(sent.value))
                found.push_back({std::move(sent.name), StaleField::Reason::RandomValue, {}, {}, 0});
        }
    };
    const std::u16string_view address = record.urlAddress;
    if (const auto question = address.find(u'?'); question != address.npos)
        check(address.substr(question + 1, address.find(u'#') - question - 1));
    check(recordedBodyText(record.postBody));
    return found;
}

void LiveValues::offer(int position, std::u16string_view html)
{
    // Per page: a name offered with one value only; with several (the "id" of each link), none.
    std::vector<std::pair<OfferedValue, bool>> page;
    for (auto& offered : offeredValues(html)) {
        const auto same = std::find_if(page.begin(), page.end(), [&](const auto& known) {
            return known.first.name == offered.name;
        });
        if (same == page.end())
            page.push_back({std::move(offered), true});
        else if (same->first.value != offered.value)
            same->second = false;
    }
    for (auto& entry : page) {
        auto& offered = entry.first;
        const bool single = entry.second;
        auto known = std::find_if(values_.begin(), values_.end(),
                                  [&](const Offer& value) { return value.name == offered.name; });
        if (known == values_.end() && single)
            values_.push_back({std::move(offered.name), std::move(offered.value), position});
        else if (known != values_.end() && single)
            *known = {std::move(offered.name), std::move(offered.value), position};
        else if (known != values_.end())
            values_.erase(known);
    }
}

std::vector<StaleField> LiveValues::staleIn(const UrlRecord& record) const
{
    std::vector<StaleField> found;
    for (const auto& field : staleFields(record)) {
        std::u16string recorded;
        const auto take = [&](std::u16string_view encoded) {
            for (auto& [name, value] : formFields(encoded))
                if (name == field.name)
                    recorded = std::move(value);
        };
        const std::u16string_view address = record.urlAddress;
        if (const auto question = address.find(u'?'); question != address.npos)
            take(address.substr(question + 1, address.find(u'#') - question - 1));
        take(recordedBodyText(record.postBody));
        // A random-looking value is not enough: a hash of the page's text that the server
        // ignores changes as the text does. A per-visit name or a time stamp is.
        if (field.reason == StaleField::Reason::RandomValue && !looksLikeEpoch(recorded))
            continue;
        const auto live = std::find_if(values_.begin(), values_.end(), [&](const Offer& value) {
            return value.name == field.name;
        });
        if (live != values_.end() && live->value != recorded)
            found.push_back({field.name, StaleField::Reason::LiveValue, std::move(recorded),
                             live->value, live->position});
    }
    return found;
}

} // namespace waytrace
