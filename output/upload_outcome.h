#pragma once

#include "resources/text_id.h"

#include <optional>
#include <string_view>

namespace waytrace {

// The outcome's messages, as the numbers of their text ids: waytrace-replay prints them.
inline constexpr int kMessageSequenceCreated = static_cast<int>(TextId::SequenceCreated);
inline constexpr int kMessageCheckVersion = static_cast<int>(TextId::CheckVersion);
inline constexpr int kMessageNotSaved = static_cast<int>(TextId::NotSaved);
inline constexpr int kMessageCannotConnect = static_cast<int>(TextId::CannotConnect);
inline constexpr int kMessageNotConfirmed = static_cast<int>(TextId::NotConfirmed);

struct UploadOutcome
{
    std::optional<int> message; // none: the user is told nothing
    bool clearSequence = false;
};

// Reads the server's verdict from the address the upload landed on. `eventAddress` is the
// address the completion event named; `port` is the upload dialog's port text.
UploadOutcome classifyUploadOutcome(std::u16string_view landing, std::u16string_view eventAddress,
                                    std::u16string_view port);

} // namespace waytrace
