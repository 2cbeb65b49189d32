#include "upload_outcome.h"

#include "string_tests.h"

#include <string>

namespace waytrace {

UploadOutcome classifyUploadOutcome(std::u16string_view landing, std::u16string_view eventAddress,
                                    std::u16string_view port)
{
    const std::u16string expectedTail =
        std::u16string(port) + u"/createurlsequence.do?actionmethod=createUrlSeq";
    if (stringStartsWith(landing, u"http://") && stringEndsWith(landing, expectedTail))
        return {kMessageSequenceCreated, true};
    if (stringContains(landing, u"http_400.htm"))
        return {kMessageCheckVersion, false};
    if (stringContains(landing, u"http_404.htm"))
        return {kMessageNotSaved, false};
    // An event for the empty address is not an answer to the upload: it says nothing.
    if (eventAddress == u"http:///")
        return {};
    if (stringContains(landing, u"dnserror.htm"))
        return {kMessageCannotConnect, false};
    // Any other landing (another status, another address or scheme) is no confirmation, and
    // saying nothing would let the user believe the sequence was saved.
    return {kMessageNotConfirmed, false};
}

} // namespace waytrace
