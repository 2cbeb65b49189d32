#include "recording_rule.h"

#include "ansi_code_page.h"
#include "text_replace.h"

#include <memory>

namespace waytrace {

namespace {

constexpr std::u16string_view kCancelledAddress = u"http:///";

bool isRecordable(std::u16string_view url, std::u16string_view helpUrl)
{
    const bool webAddress = url.starts_with(u"http://") || url.starts_with(u"https://");
    return webAddress && url != kCancelledAddress && url != helpUrl;
}

} // namespace

std::u16string postDataText(std::span<const std::uint8_t> body)
{
    std::u16string text;
    text.reserve(body.size());
    for (auto byte : body)
        text.push_back(ansiCharacter(byte));
    return replaceAll(text, u"%", u"%25");
}

std::u16string recordedBodyText(std::u16string_view postBody)
{
    return replaceAll(postBody, u"%25", u"%");
}

std::string postDataBytes(std::u16string_view postBody)
{
    const std::u16string text = recordedBodyText(postBody);
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t character : text)
        bytes.push_back(static_cast<char>(ansiByte(character)));
    return bytes;
}

RecordingOutcome applyRecordingRule(const Navigation& navigation, std::u16string_view helpUrl,
                                    RecordedSequence& sequence)
{
    RecordingOutcome outcome;
    outcome.cancel = navigation.url == kCancelledAddress;
    if (!isRecordable(navigation.url, helpUrl))
        return outcome;

    auto record = std::make_shared<UrlRecord>();
    record->urlAddress = navigation.url;
    record->headers = navigation.headers;
    if (navigation.method == HttpMethod::Post) {
        record->postBody = postDataText(navigation.body);
        record->method = HttpMethod::Post;
    }
    sequence.append(record);
    outcome.record = std::move(record);
    return outcome;
}

} // namespace waytrace
