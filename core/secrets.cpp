#include "secrets.h"

#include "sent_fields.h"

#include <algorithm>
#include <array>
#include <span>

namespace waytrace {

namespace {

const std::u16string kLeftOutText(std::begin(kLeftOut), std::end(kLeftOut) - 1);

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// The user part of an address ("ann:pw" of "https://ann:pw@host/"), where it stands.
struct UserPart
{
    std::size_t start = 0; // after "://"
    std::size_t end = 0;   // the "@" after it
    std::size_t colon = 0; // before the password; `end` when it has none
};
std::optional<UserPart> userPartOf(std::u16string_view address)
{
    const auto scheme = address.find(u"://");
    if (scheme == address.npos)
        return std::nullopt;
    const auto start = scheme + 3;
    const auto authority = address.substr(start, address.find_first_of(u"/?#", start) - start);
    const auto at = authority.rfind(u'@');
    if (at == authority.npos)
        return std::nullopt;
    const auto colon = authority.substr(0, at).find(u':');
    return UserPart{start, start + at, colon == authority.npos ? start + at : start + colon};
}

void addOnce(std::vector<std::u16string>& names, std::u16string_view name)
{
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.emplace_back(name);
}

// The header lines without those that carry a login or a session, whose names go to `gone`.
std::u16string withoutCredentialLines(std::u16string_view headers,
                                      std::vector<std::u16string>& gone)
{
    std::u16string kept;
    for (std::size_t from = 0; from < headers.size();) {
        auto end = headers.find(u"\r\n", from);
        end = end == headers.npos ? headers.size() : end + 2;
        const auto line = headers.substr(from, end - from);
        from = end;
        auto name = line.substr(0, line.find(u':'));
        while (!name.empty() && (name.back() == u' ' || name.back() == u'\t'))
            name.remove_suffix(1);
        if (line.find(u':') != line.npos && isCredentialHeader(name))
            addOnce(gone, name);
        else
            kept += line;
    }
    return kept;
}

bool isAsciiLetterOrDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Values a page hands out for its own forms, against forgery: no login of the user's.
bool namesAntiForgery(const std::vector<std::u16string>& words)
{
    return std::any_of(words.begin(), words.end(), [](const std::u16string& word) {
        return word.find(u"csrf") != word.npos || word.find(u"xsrf") != word.npos ||
               word.find(u"nonce") != word.npos || word == u"authenticity";
    });
}

bool holdsAny(const std::vector<std::u16string>& words, std::span<const std::u16string_view> any)
{
    return std::any_of(words.begin(), words.end(), [&](const std::u16string& word) {
        return std::find(any.begin(), any.end(), word) != any.end();
    });
}

} // namespace

bool namesPassword(std::u16string_view fieldName)
{
    static constexpr std::array<std::u16string_view, 7> kWords{
        u"password", u"passwd", u"pwd", u"pw", u"pass", u"secret", u"passphrase"};
    // Inside a longer word only where it cannot be another word's end ("bypass", "compass").
    static constexpr std::array<std::u16string_view, 3> kEnds{u"password", u"passwd", u"pwd"};
    const auto words = fieldNameWords(fieldName);
    return std::any_of(words.begin(), words.end(), [](const std::u16string& word) {
        return std::find(kWords.begin(), kWords.end(), word) != kWords.end() ||
               std::any_of(kEnds.begin(), kEnds.end(),
                           [&](auto end) { return std::u16string_view(word).ends_with(end); });
    });
}

bool namesCredential(std::u16string_view fieldName, bool inQuery)
{
    if (namesPassword(fieldName))
        return true;
    const auto words = fieldNameWords(fieldName);
    if (namesAntiForgery(words))
        return false;
    static constexpr std::array<std::u16string_view, 18> kWords{
        u"session", u"sessionid", u"sessid",      u"phpsessid", u"jsessionid",   u"sid",
        u"apikey",  u"apitoken",  u"accesstoken", u"authtoken", u"refreshtoken", u"idtoken",
        u"bearer",  u"jwt",       u"privatekey",  u"accesskey", u"secretkey",    u"clientsecret"};
    // A key or token is a credential where the word before it says whose ("api_key").
    static constexpr std::array<std::u16string_view, 7> kOwners{
        u"api", u"access", u"auth", u"refresh", u"id", u"bearer", u"private"};
    if (holdsAny(words, kWords))
        return true;
    for (std::size_t i = 1; i < words.size(); ++i)
        if ((words[i] == u"key" || words[i] == u"token") &&
            std::find(kOwners.begin(), kOwners.end(), words[i - 1]) != kOwners.end())
            return true;
    return inQuery && words.size() == 1 && words.front() == u"token";
}

bool isCredentialHeader(std::u16string_view name)
{
    static constexpr std::array<std::u16string_view, 4> kNames{
        u"Authorization", u"Proxy-Authorization", u"Cookie", u"Set-Cookie"};
    if (std::any_of(kNames.begin(), kNames.end(),
                    [&](auto known) { return equalsIgnoringCase(name, known); }))
        return true;
    const auto words = fieldNameWords(name);
    if (namesAntiForgery(words))
        return false;
    // Whole words ("X-Api-Key", "X-Auth-Token") and names run together ("X-Apitoken",
    // "X-Authorization").
    static constexpr std::array<std::u16string_view, 7> kEnds{
        u"key", u"secret", u"session", u"sessionid", u"token", u"auth", u"authorization"};
    static constexpr std::array<std::u16string_view, 3> kWords{u"password", u"credential",
                                                               u"credentials"};
    return holdsAny(words, kWords) || namesCredential(name, false) ||
           std::any_of(words.begin(), words.end(), [](const std::u16string& word) {
               return std::any_of(kEnds.begin(), kEnds.end(),
                                  [&](auto end) { return word.ends_with(end); });
           });
}

bool isSecretField(const UrlRecord& record, std::u16string_view name, bool inQuery)
{
    const auto& marked = record.passwordFields;
    return namesCredential(name, inQuery) ||
           std::find(marked.begin(), marked.end(), name) != marked.end();
}

bool sendsSecret(const UrlRecord& record, std::u16string_view name)
{
    const auto fields = locateSentFields(record);
    return std::any_of(fields.begin(), fields.end(), [&](const SentField& field) {
        return field.name == name &&
               isSecretField(record, name, field.place == SentField::Place::Query);
    });
}

std::u16string bodyKeptWhole(const UrlRecord& record)
{
    if (record.postBody.empty())
        return {};
    auto type = mediaTypeOf(record.headers);
    return type.readsAsForm() ? std::u16string() : std::move(type.type);
}

std::u16string addressWithoutSecrets(std::u16string_view address)
{
    UrlRecord only;
    only.urlAddress = address;
    if (const auto part = userPartOf(address); part && part->colon < part->end)
        only.urlAddress.replace(part->colon + 1, part->end - part->colon - 1,
                                percentEncoded(kLeftOut));
    rewriteSentFields(only, [](const SentField& field) -> std::optional<std::string> {
        if (!namesCredential(field.name, true))
            return std::nullopt;
        return kLeftOut;
    });
    return only.urlAddress;
}

bool markPasswordFields(UrlRecord& record, const std::vector<std::u16string>& names)
{
    bool marked = false;
    for (const auto& field : locateSentFields(record)) {
        const auto& known = record.passwordFields;
        if (std::find(names.begin(), names.end(), field.name) != names.end() &&
            std::find(known.begin(), known.end(), field.name) == known.end()) {
            record.passwordFields.push_back(field.name);
            marked = true;
        }
    }
    return marked;
}

UrlRecord withoutSecrets(const UrlRecord& record)
{
    UrlRecord copy = record;
    auto& left = copy.leftOut;
    if (!copy.userName.empty() || !copy.password.empty()) {
        left.password = true;
        copy.password.clear();
    }
    if (const auto part = userPartOf(copy.urlAddress); part && part->colon < part->end) {
        copy.urlAddress.replace(part->colon + 1, part->end - part->colon - 1,
                                percentEncoded(kLeftOut));
        left.addressPassword = true;
    }
    const auto secret = [&record](const SentField& field) {
        return isSecretField(record, field.name, field.place == SentField::Place::Query);
    };
    for (const auto& field : locateSentFields(copy))
        if (secret(field))
            addOnce(left.fields, field.name);
    rewriteSentFields(copy, [&](const SentField& field) -> std::optional<std::string> {
        if (!secret(field))
            return std::nullopt;
        return kLeftOut;
    });
    copy.headers = withoutCredentialLines(copy.headers, left.headerLines);
    // Where the page ended up, as the address itself is kept.
    if (copy.seen)
        copy.seen->finalUrl = addressWithoutSecrets(copy.seen->finalUrl);
    return copy;
}

std::vector<WithheldValue> withheldValues(const UrlRecord& record, std::size_t index)
{
    const auto& left = record.leftOut;
    const std::string number = std::to_string(index + 1);
    std::vector<WithheldValue> values;
    if (left.password && !record.userName.empty()) // else nobody logs in
        values.push_back({WithheldValue::Kind::Password, {}, "WAYTRACE_PASSWORD_STEP_" + number});
    if (left.addressPassword)
        values.push_back(
            {WithheldValue::Kind::AddressPassword, {}, "WAYTRACE_ADDRESS_PASSWORD_STEP_" + number});
    for (const auto& field : left.fields) {
        // A variable's name holds letters, digits and "_" alone; two fields that read alike
        // there are told apart by a count.
        std::string variable = "WAYTRACE_FIELD_STEP_" + number + '_';
        for (const char16_t c : field)
            variable += c < 0x80 && isAsciiLetterOrDigit(static_cast<char>(c))
                            ? static_cast<char>(c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c)
                            : '_';
        const auto taken = [&](const std::string& name) {
            return std::any_of(values.begin(), values.end(),
                               [&](const WithheldValue& v) { return v.variable == name; });
        };
        std::string unique = variable;
        for (int count = 2; taken(unique); ++count)
            unique = variable + '_' + std::to_string(count);
        values.push_back({WithheldValue::Kind::Field, field, unique});
    }
    return values;
}

std::vector<WithheldSpot> withheldSpots(const UrlRecord& record, std::size_t index, bool inAddress)
{
    const auto values = withheldValues(record, index);
    const auto variableOf = [&values](WithheldValue::Kind kind, std::u16string_view field) {
        for (const auto& value : values)
            if (value.kind == kind && value.field == field)
                return value.variable;
        return std::string();
    };
    std::vector<WithheldSpot> spots;
    if (inAddress && record.leftOut.addressPassword)
        if (const auto part = userPartOf(record.urlAddress); part && part->colon < part->end)
            spots.push_back({part->colon + 1, part->end - part->colon - 1,
                             variableOf(WithheldValue::Kind::AddressPassword, {}), true});
    for (const auto& field : locateSentFields(record)) {
        const bool query = field.place == SentField::Place::Query;
        const auto variable = variableOf(WithheldValue::Kind::Field, field.name);
        if (query != inAddress || variable.empty() || field.value != kLeftOutText)
            continue;
        spots.push_back({field.at, field.length, variable,
                         query || field.place == SentField::Place::UrlEncoded});
    }
    std::sort(spots.begin(), spots.end(),
              [](const WithheldSpot& a, const WithheldSpot& b) { return a.at < b.at; });
    return spots;
}

AddressLogin addressLogin(std::u16string_view address)
{
    const auto part = userPartOf(address);
    if (!part)
        return {};
    const auto hostEnd = std::min(address.find_first_of(u"/?#", part->end), address.size());
    return {std::u16string(address.substr(part->start, part->colon - part->start)),
            std::u16string(address.substr(0, part->start)) +
                std::u16string(address.substr(part->end + 1, hostEnd - part->end - 1))};
}

void supplyPassword(UrlRecord& record, std::u16string password)
{
    record.password = std::move(password);
    record.leftOut.password = false;
}

void supplyAddressPassword(UrlRecord& record, const std::string& password)
{
    if (const auto part = userPartOf(record.urlAddress); part && part->colon < part->end)
        record.urlAddress.replace(part->colon + 1, part->end - part->colon - 1,
                                  percentEncoded(password));
    record.leftOut.addressPassword = false;
}

void supplyField(UrlRecord& record, std::u16string_view name, const std::string& value)
{
    rewriteSentFields(record, [&](const SentField& field) -> std::optional<std::string> {
        if (field.name != name || field.value != kLeftOutText)
            return std::nullopt;
        return value;
    });
    std::erase(record.leftOut.fields, name);
}

} // namespace waytrace
