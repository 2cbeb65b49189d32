#pragma once

#include "core/recorded_sequence.h"
#include "utf8.h"

#include <string>
#include <string_view>

namespace waytrace {

// What the upload dialog collected, as typed.
struct UploadFields
{
    std::u16string name;     // sequenceNameEdit
    std::u16string interval; // pollIntervalEdit
    std::u16string host;
    std::u16string port;
    std::u16string user;
    std::u16string password;
};

struct ProgramVersion
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

struct UploadRequest
{
    std::u16string address;
    std::u16string headers; // two lines, each ending with CR LF
    ByteArray body;         // UTF-8
};

// Escapes a form value so that an ordinary form decoder gives it back unchanged:
// "%" to "%25", then "+" to "%2B", then "&" to "%26".
std::u16string escapeFormField(std::u16string_view value);

// The POST that saves `document` into the server.
UploadRequest composeUploadRequest(std::u16string_view document, const UploadFields& fields,
                                   ProgramVersion version);
// The same for the document of `sequence`, encoded as it is written, a piece at a time.
UploadRequest composeUploadRequest(const RecordedSequence& sequence, const UploadFields& fields,
                                   ProgramVersion version);

} // namespace waytrace
