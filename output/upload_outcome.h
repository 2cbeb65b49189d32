#pragma once

#include <optional>
#include <string_view>

namespace waytrace {

// Message ids of the string table.
inline constexpr int kMessageSequenceCreated = 138;
inline constexpr int kMessageCheckVersion = 139;
inline constexpr int kMessageNotSaved = 140;
inline constexpr int kMessageCannotConnect = 141;
inline constexpr int kMessageNotConfirmed = 154;

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
