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

    // The document doubles its own "%", so only "+" and "&" are left to escape here.
    const auto seqinfo = replaceAll(replaceAll(document, u"+", u"%2B"), u"&", u"%26");

    std::u16string body;
    body.reserve(seqinfo.size() + 256);
    body += u"version=";
    body += ascii(std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                  std::to_string(version.revision));
    body += u"&username=" + escapeFormField(fields.user);
    body += u"&password=" + escapeFormField(fields.password);
    body += u"&transactionname=" + escapeFormField(fields.name);
    body += u"&pollinterval=" + escapeFormField(fields.interval);
    body += u"&seqinfo=";
    body += seqinfo;
    request.body = UniStrToUTF8(body);
    return request;
}

} // namespace waytrace
