#include "upload_request.h"

#include "core/text_replace.h"
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

UploadRequest composeUploadRequest(std::u16string_view document, const UploadFields& fields,
                                   ProgramVersion version)
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

    // One pass over the document: the document doubles its own "%", so only "+" and "&" are
    // left to escape, and they are escaped while the text becomes UTF-8.
    request.body.reserve((fieldsText.size() + document.size()) * 3);
    appendUtf8(request.body, fieldsText);
    appendUtf8(request.body, document, true);
    return request;
}

} // namespace waytrace
