#pragma once

// The form fields a record sends, in its address's query and in its body, where each value
// stands, and how to put another value in its place.

#include "html_text.h"
#include "url_record.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace waytrace {

// One field as sent, its name and value decoded one character a byte.
struct SentField
{
    enum class Place
    {
        Query,      // the address's query; `at` counts in urlAddress
        UrlEncoded, // a urlencoded body; `at` counts in the body's text (recordedBodyText)
        Multipart,  // a multipart/form-data part that is no file
        PlainText,  // a text/plain body's line
    };
    std::u16string name;
    std::u16string value;
    Place place = Place::Query;
    std::size_t at = 0;     // where the value stands, as written
    std::size_t length = 0; // and its length there
};

// The fields a record sends: its address's query, then its body, urlencoded, multipart (its
// files left out) or plain text, as its Content-Type line says.
std::vector<SentField> locateSentFields(const UrlRecord& record);
// The same as name and value pairs.
std::vector<OfferedValue> sentFields(const UrlRecord& record);
// The name and value pairs of a query string or urlencoded body, each decoded ("+" a space,
// "%XX" a byte as one character).
std::vector<OfferedValue> formFields(std::u16string_view encoded);

// Writes, for each field `replacement` gives bytes for, those bytes in place of its value,
// encoded as its place wants; the rest of the address and body stays byte for byte.
void rewriteSentFields(
    UrlRecord& record,
    const std::function<std::optional<std::string>(const SentField&)>& replacement);

// The words of a field name, in lower case: split at anything but letters and digits and
// where a lower-case letter meets an upper-case one ("csrfToken", "__RequestVerificationToken").
std::vector<std::u16string> fieldNameWords(std::u16string_view name);

// Bytes as a query or a URL's user part writes them: letters, digits and "-._~" as they are,
// every other byte as "%XX".
std::u16string percentEncoded(std::string_view bytes);

// A record's Content-Type line read once: the media type in lower case ("multipart/form-data";
// empty when there is no such line), and its parameters, names in lower case, values exactly
// as sent.
struct MediaType
{
    std::u16string type;
    std::vector<std::pair<std::u16string, std::u16string>> parameters;

    [[nodiscard]] std::u16string parameter(std::u16string_view name) const;
    // A body of this type holds form fields that can be read and rewritten: urlencoded (also a
    // body with no type, as older recordings have), multipart, plain text. Any other body is
    // kept whole.
    [[nodiscard]] bool readsAsForm() const;
};
MediaType mediaTypeOf(std::u16string_view headers);

} // namespace waytrace
