#pragma once

#include "recorded_sequence.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace waytrace {

// One navigation as a browser announces it: a POST's body is its bytes as sent.
struct Navigation
{
    std::u16string_view url;
    std::u16string_view headers;
    HttpMethod method = HttpMethod::Get;
    std::span<const std::uint8_t> body;
};

struct RecordingOutcome
{
    bool cancel = false;
    RecordRef record; // the appended record, or null when the request was not recorded
};

// Decides whether a navigation is cancelled and whether it is recorded; a recorded one is
// appended to `sequence`. The same rule serves the main and the popup browser.
RecordingOutcome applyRecordingRule(const Navigation& navigation, std::u16string_view helpUrl,
                                    RecordedSequence& sequence);

// The body as the recorded `querystring`: one character per byte, every "%" written as "%25".
std::u16string postDataText(std::span<const std::uint8_t> body);

// The body text a recorded `querystring` stands for, one character per byte: "%25" back to "%".
std::u16string recordedBodyText(std::u16string_view postBody);

// The body bytes a recorded `querystring` stands for: "%25" back to "%", each character back to
// its byte. What a replay of the record sends.
std::string postDataBytes(std::u16string_view postBody);

} // namespace waytrace
