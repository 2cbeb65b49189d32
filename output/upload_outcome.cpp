#include "upload_outcome.h"

#include "string_tests.h"

#include <string>

namespace waytrace {

UploadOutcome classifyUploadOutcome(std::u16string_view landing, std::u16string_view eventAddress,
                                    std::u16string_view port)
{
    const std::u16string expectedTail =
        std::u16string(port) + u"/createurlsequence.do?actionmethod=createUrlSeq";
    if (StringStartsWith(landing, u"http://") && StringEndsWith(landing, expectedTail))
        return {kMessageSequenceCreated, true};
    if (StringContains(landing, u"http_400.htm"))
        return {kMessageCheckVersion, false};
    if (StringContains(landing, u"http_404.htm"))
        return {kMessageNotSaved, false};
    if (StringContains(landing, u"dnserror.htm") && eventAddress != u"http:///")
        return {kMessageCannotConnect, false};
    return {};
}

} // namespace waytrace
