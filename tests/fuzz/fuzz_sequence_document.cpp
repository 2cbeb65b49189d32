// The document and the request body for records of any content: no fault, the document's frame
// is intact, no value can open or close markup, and the body is valid UTF-8.

#include "fuzz_input.h"

#include "output/sequence_document.h"
#include "output/upload_request.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    waytrace::RecordedSequence sequence;
    while (!input.empty()) {
        auto record = std::make_shared<waytrace::UrlRecord>();
        record->urlAddress = input.text();
        record->displayName = input.text();
        record->postBody = input.text();
        record->headers = input.text();
        record->requiredKeywords = input.text();
        record->userName = input.text();
        record->password = input.text();
        const auto code = input.bytes();
        record->responseCode =
            static_cast<std::int16_t>(code.size() >= 2 ? code[0] | (code[1] << 8) : 200);
        sequence.append(std::move(record));
    }

    const auto document = waytrace::buildSequenceDocument(sequence);
    const std::u16string_view head =
        u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r";
    if (!document.starts_with(head) || !document.ends_with(u"</URLSequence>\r"))
        std::abort();
    for (std::size_t at = document.find(u'<'); at != std::u16string::npos;
         at = document.find(u'<', at + 1)) {
        // Every "<" the builder writes starts one of its own tags or the comment.
        const auto tail = std::u16string_view(document).substr(at + 1);
        if (!(tail.starts_with(u"?xml") || tail.starts_with(u"!--") ||
              tail.starts_with(u"URLSequence") || tail.starts_with(u"/URLSequence") ||
              tail.starts_with(u"Url ") || tail.starts_with(u"/Url>") ||
              tail.starts_with(u"PostData> ") || tail.starts_with(u"/PostData>") ||
              tail.starts_with(u"Header>") || tail.starts_with(u"/Header>") ||
              tail.starts_with(u"AlertCondition>") || tail.starts_with(u"/AlertCondition>") ||
              tail.starts_with(u"MatchContent>") || tail.starts_with(u"/MatchContent>") ||
              tail.starts_with(u"UnavailabilityString>") ||
              tail.starts_with(u"/UnavailabilityString>") ||
              tail.starts_with(u"HTTPResponseCode ") || tail.starts_with(u"AuthInfo ")))
            std::abort();
    }

    const auto request = waytrace::composeUploadRequest(
        document, {u"n", u"5", u"localhost", u"9090", u"u", u"p"}, {6, 0, 3});
    if (!isValidUtf8(request.body.data(), request.body.size()))
        std::abort();
    return 0;
}
