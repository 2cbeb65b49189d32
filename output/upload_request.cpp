#include "upload_request.h"

#include "core/text_replace.h"
#include "sequence_document.h"
#include "utf8.h"

namespace waytrace {

namespace {

std::u16string ascii(const std::string& text)
{
    return {text.begin(), text.end()};
}

} // namespace

std::u16string escapeFormField(std::u16string_view value)
{
    return replaceAll(replaceAll(replaceAll(value, u"%", u"%25"), u"+", u"%2B"), u"&", u"%26");
}

namespace {

// The request without its body's document: address, headers and the fields before `seqinfo`.
UploadRequest requestHead(const UploadFields& fields, ProgramVersion version,
                          std::size_t documentUnits)
{
    UploadRequest request;
    request.address = u"http://" + fields.host + u":" + fields.port +
                      u"/createurlsequence.do?actionmethod=createUrlSeq";
    request.headers = u"Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
                      u"accept-charset:UTF-8,*\r\n";

    std::u16string fieldsText = u"version=";
    fieldsText += ascii(std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                        std::to_string(version.revision));
    fieldsText += u"&username=" + escapeFormField(fields.user);
    fieldsText += u"&password=" + escapeFormField(fields.password);
    fieldsText += u"&transactionname=" + escapeFormField(fields.name);
    fieldsText += u"&pollinterval=" + escapeFormField(fields.interval);
    fieldsText += u"&seqinfo=";

    // Room for the worst case; pages never written are never touched (see ByteArray).
    request.body.reserve((fieldsText.size() + documentUnits) * 3);
    appendUtf8(request.body, fieldsText);
    return request;
}

} // namespace

// The document doubles its own "%", so only "+" and "&" are left to escape, and they are
// escaped while the text becomes UTF-8.
UploadRequest composeUploadRequest(std::u16string_view document, const UploadFields& fields,
                                   ProgramVersion version)
{
    auto request = requestHead(fields, version, document.size());
    appendUtf8(request.body, document, true);
    return request;
}

UploadRequest composeUploadRequest(const RecordedSequence& sequence, const UploadFields& fields,
                                   ProgramVersion version)
{
    auto request = requestHead(fields, version, estimatedDocumentSize(sequence));
    writeSequenceDocument(
        sequence, [&request](std::u16string_view piece) { appendUtf8(request.body, piece, true); });
    return request;
}

} // namespace waytrace
