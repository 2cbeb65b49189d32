#include "sent_fields.h"

#include "ansi_code_page.h"
#include "recording_rule.h"
#include "text_replace.h"

#include <algorithm>

namespace waytrace {

namespace {

constexpr bool isAsciiAlnum(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

constexpr char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string_view trimmed(std::u16string_view text)
{
    const auto first = text.find_first_not_of(u" \t");
    if (first == text.npos)
        return {};
    return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

// A query's or urlencoded body's piece decoded: "+" a space, "%XX" a byte as one character.
std::u16string urlDecoded(std::u16string_view text)
{
    const auto hex = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (lower(c) >= u'a' && lower(c) <= u'f')
            return lower(c) - u'a' + 10;
        return -1;
    };
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'+') {
            out += u' ';
        } else if (text[i] == u'%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
                   hex(text[i + 2]) >= 0) {
            out += static_cast<char16_t>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

void urlEncodedFields(std::u16string_view encoded, std::size_t offset, SentField::Place place,
                      std::vector<SentField>& fields)
{
    for (std::size_t from = 0; from < encoded.size();) {
        auto end = encoded.find(u'&', from);
        if (end == encoded.npos)
            end = encoded.size();
        const auto pair = encoded.substr(from, end - from);
        const auto equals = pair.find(u'=');
        if (!pair.empty()) {
            const bool valued = equals != pair.npos;
            fields.push_back({urlDecoded(pair.substr(0, equals)),
                              valued ? urlDecoded(pair.substr(equals + 1)) : u"", place,
                              offset + from + (valued ? equals + 1 : pair.size()),
                              valued ? pair.size() - equals - 1 : 0});
        }
        from = end + 1;
    }
}

// A parameter of a header value (`boundary` of a multipart type), quotes taken off.
std::u16string parameter(std::u16string_view value, std::u16string_view name)
{
    const auto at = value.find(std::u16string(name) + u'=');
    if (at == value.npos)
        return {};
    auto rest = value.substr(at + name.size() + 1);
    if (rest.starts_with(u'"')) {
        rest.remove_prefix(1);
        return std::u16string(rest.substr(0, rest.find(u'"')));
    }
    return std::u16string(rest.substr(0, rest.find_first_of(u"; \t\r")));
}

// Files (a part with a filename) are not values a page hands out or a user types.
void multipartFields(std::u16string_view body, std::u16string_view boundary,
                     std::vector<SentField>& fields)
{
    if (boundary.empty())
        return;
    const std::u16string delimiter = u"--" + std::u16string(boundary);
    for (auto at = body.find(delimiter); at != body.npos;) {
        auto start = at + delimiter.size();
        const auto next = body.find(delimiter, start);
        std::u16string_view part = body.substr(start, next == body.npos ? body.npos : next - start);
        at = next;
        if (part.starts_with(u"\r\n")) {
            part.remove_prefix(2);
            start += 2;
        }
        const auto headEnd = part.find(u"\r\n\r\n");
        if (headEnd == part.npos)
            continue;
        std::u16string head(part.substr(0, headEnd));
        std::transform(head.begin(), head.end(), head.begin(), lower);
        if (head.find(u"filename=") != head.npos)
            continue;
        auto name = parameter(part.substr(0, headEnd), u"name");
        if (name.empty())
            name = parameter(part.substr(0, headEnd), u"NAME");
        auto value = part.substr(headEnd + 4);
        if (value.ends_with(u"\r\n"))
            value.remove_suffix(2);
        if (!name.empty())
            fields.push_back({std::move(name), std::u16string(value), SentField::Place::Multipart,
                              start + headEnd + 4, value.size()});
    }
}

void plainTextFields(std::u16string_view body, std::vector<SentField>& fields)
{
    for (std::size_t from = 0; from < body.size();) {
        auto end = body.find(u'\n', from);
        if (end == body.npos)
            end = body.size();
        auto line = body.substr(from, end - from);
        if (line.ends_with(u'\r'))
            line.remove_suffix(1);
        const auto equals = line.find(u'=');
        if (equals != line.npos && equals > 0)
            fields.push_back({std::u16string(line.substr(0, equals)),
                              std::u16string(line.substr(equals + 1)), SentField::Place::PlainText,
                              from + equals + 1, line.size() - equals - 1});
        from = end + 1;
    }
}

std::u16string_view queryOf(std::u16string_view address, std::size_t& offset)
{
    const auto question = address.find(u'?');
    if (question == address.npos)
        return {};
    offset = question + 1;
    return address.substr(question + 1, address.find(u'#', question) - question - 1);
}

// Bytes as a place writes them: escaped where a query or urlencoded body would read them
// otherwise, else one character a byte.
std::u16string encodedFor(SentField::Place place, const std::string& bytes)
{
    if (place == SentField::Place::Query || place == SentField::Place::UrlEncoded)
        return percentEncoded(bytes);
    std::u16string out;
    for (const char c : bytes)
        out += ansiCharacter(static_cast<std::uint8_t>(c));
    return out;
}

} // namespace

std::u16string percentEncoded(std::string_view bytes)
{
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (isAsciiAlnum(byte) || byte == '-' || byte == '.' || byte == '_' || byte == '~')
            out += static_cast<char16_t>(byte);
        else
            out += {u'%', kHex[byte >> 4], kHex[byte & 0xf]};
    }
    return out;
}

std::vector<std::u16string> fieldNameWords(std::u16string_view name)
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

std::u16string MediaType::parameter(std::u16string_view name) const
{
    for (const auto& [key, value] : parameters)
        if (key == name)
            return value;
    return {};
}

MediaType mediaTypeOf(std::u16string_view headers)
{
    for (std::size_t from = 0; from < headers.size();) {
        auto end = headers.find(u'\n', from);
        if (end == headers.npos)
            end = headers.size();
        std::u16string_view line = headers.substr(from, end - from);
        from = end + 1;
        const auto colon = line.find(u':');
        if (colon == line.npos)
            continue;
        std::u16string name(trimmed(line.substr(0, colon)));
        std::transform(name.begin(), name.end(), name.begin(), lower);
        if (name != u"content-type")
            continue;
        // The type in lower case, as it compares; each parameter's value exactly as sent (a
        // boundary is matched byte for byte in the body).
        std::u16string_view value = line.substr(colon + 1);
        if (value.ends_with(u'\r'))
            value.remove_suffix(1);
        MediaType type;
        const auto semicolon = std::min(value.find(u';'), value.size());
        type.type = trimmed(value.substr(0, semicolon));
        std::transform(type.type.begin(), type.type.end(), type.type.begin(), lower);
        for (auto rest = value.substr(semicolon); !rest.empty();) {
            rest.remove_prefix(1); // the ';'
            const auto end = std::min(rest.find(u';'), rest.size());
            const auto equals = rest.substr(0, end).find(u'=');
            if (equals == rest.npos) { // a parameter without a value: passed over
                rest.remove_prefix(end);
                continue;
            }
            std::u16string key(trimmed(rest.substr(0, equals)));
            std::transform(key.begin(), key.end(), key.begin(), lower);
            rest = trimmed(rest.substr(equals + 1));
            std::u16string parameterValue;
            if (rest.starts_with(u'"')) {
                const auto close = std::min(rest.find(u'"', 1), rest.size());
                parameterValue = rest.substr(1, close - 1);
                rest.remove_prefix(std::min(close + 1, rest.size()));
            } else {
                const auto stop = std::min(rest.find(u';'), rest.size());
                parameterValue = trimmed(rest.substr(0, stop));
                rest.remove_prefix(stop);
            }
            rest.remove_prefix(std::min(rest.find(u';'), rest.size()));
            type.parameters.emplace_back(std::move(key), std::move(parameterValue));
        }
        return type;
    }
    return {};
}

bool MediaType::readsAsForm() const
{
    return type.empty() || type == u"application/x-www-form-urlencoded" ||
           type == u"multipart/form-data" || type == u"text/plain";
}

std::vector<SentField> locateSentFields(const UrlRecord& record)
{
    std::vector<SentField> fields;
    std::size_t offset = 0;
    const auto query = queryOf(record.urlAddress, offset);
    urlEncodedFields(query, offset, SentField::Place::Query, fields);
    if (record.postBody.empty())
        return fields;
    const auto type = mediaTypeOf(record.headers);
    if (!type.readsAsForm())
        return fields; // JSON, bytes, ...: no fields to read or write
    const std::u16string body = recordedBodyText(record.postBody);
    if (type.type == u"multipart/form-data")
        multipartFields(body, type.parameter(u"boundary"), fields);
    else if (type.type == u"text/plain")
        plainTextFields(body, fields);
    else
        urlEncodedFields(body, 0, SentField::Place::UrlEncoded, fields);
    return fields;
}

namespace {

std::vector<OfferedValue> valuesOf(std::vector<SentField> fields)
{
    std::vector<OfferedValue> values;
    values.reserve(fields.size());
    for (auto& field : fields)
        values.push_back({std::move(field.name), std::move(field.value), {}, false});
    return values;
}

} // namespace

std::vector<OfferedValue> sentFields(const UrlRecord& record)
{
    return valuesOf(locateSentFields(record));
}

std::vector<OfferedValue> formFields(std::u16string_view encoded)
{
    std::vector<SentField> fields;
    urlEncodedFields(encoded, 0, SentField::Place::Query, fields);
    return valuesOf(std::move(fields));
}

void rewriteSentFields(
    UrlRecord& record,
    const std::function<std::optional<std::string>(const SentField&)>& replacement)
{
    std::u16string body = recordedBodyText(record.postBody);
    bool bodyChanged = false;
    const auto fields = locateSentFields(record);
    // From the end: each replacement leaves the places before it where they were.
    for (auto field = fields.rbegin(); field != fields.rend(); ++field) {
        const auto bytes = replacement(*field);
        if (!bytes)
            continue;
        const auto value = encodedFor(field->place, *bytes);
        if (field->place == SentField::Place::Query) {
            record.urlAddress.replace(field->at, field->length, value);
        } else {
            body.replace(field->at, field->length, value);
            bodyChanged = true;
        }
    }
    if (bodyChanged)
        record.postBody = replaceAll(body, u"%", u"%25");
}

} // namespace waytrace
