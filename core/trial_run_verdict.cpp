#include "trial_run_verdict.h"

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

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The form-urlencoded decoding of one name or value, byte for character: what the page typed,
// as far as tokens are concerned (they are ASCII).
std::u16string formDecoded(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'+') {
            out += u' ';
        } else if (text[i] == u'%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char16_t>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
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
    static constexpr std::array<std::u16string_view, 11> kWords{u"csrf",
                                                                u"xsrf",
                                                                u"token",
                                                                u"nonce",
                                                                u"state",
                                                                u"viewstate",
                                                                u"eventvalidation",
                                                                u"samlresponse",
                                                                u"samlrequest",
                                                                u"authenticity",
                                                                u"requestverificationtoken"};
    // Forgery tokens hide inside longer words too ("csrfmiddlewaretoken").
    const auto words = nameWords(name);
    return std::any_of(words.begin(), words.end(), [](const std::u16string& word) {
        return std::find(kWords.begin(), kWords.end(), word) != kWords.end() ||
               word.find(u"csrf") != std::u16string::npos ||
               word.find(u"xsrf") != std::u16string::npos;
    });
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

std::vector<StaleField> staleFields(std::u16string_view querystring)
{
    const std::u16string body = recordedBodyText(querystring);
    std::vector<StaleField> found;
    std::size_t from = 0;
    while (from <= body.size()) {
        auto end = body.find(u'&', from);
        if (end == std::u16string::npos)
            end = body.size();
        const std::u16string_view pair = std::u16string_view(body).substr(from, end - from);
        const auto equals = pair.find(u'=');
        if (equals != std::u16string_view::npos) {
            auto name = formDecoded(pair.substr(0, equals));
            const auto value = formDecoded(pair.substr(equals + 1));
            if (isTokenName(name))
                found.push_back({std::move(name), StaleField::Reason::TokenName});
            else if (looksRandom(value))
                found.push_back({std::move(name), StaleField::Reason::RandomValue});
        }
        from = end + 1;
    }
    return found;
}

} // namespace waytrace
