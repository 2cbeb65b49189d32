#include "sequence_document.h"

#include <string_view>

namespace waytrace {

namespace {

constexpr char16_t kCr = u'\r';

class DocumentWriter
{
public:
    explicit DocumentWriter(std::u16string& out) : out_(out) {}

    DocumentWriter& text(std::u16string_view markup)
    {
        out_.append(markup);
        return *this;
    }

    // A field value: "%" doubled, then XML's special characters escaped.
    DocumentWriter& value(std::u16string_view v) { return escaped(v, true); }

    // Post data arrives with "%" doubled by the recorder already.
    DocumentWriter& recordedValue(std::u16string_view v) { return escaped(v, false); }

    DocumentWriter& number(int n)
    {
        const auto digits = std::to_string(n);
        out_.append(digits.begin(), digits.end());
        return *this;
    }

    void endLine() { out_.push_back(kCr); }

private:
    DocumentWriter& escaped(std::u16string_view v, bool doublePercent)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            std::u16string_view replacement;
            switch (v[i]) {
            case u'%':
                if (!doublePercent)
                    continue;
                replacement = u"%25";
                break;
            case u'&':
                replacement = u"&amp;";
                break;
            case u'<':
                replacement = u"&lt;";
                break;
            case u'>':
                replacement = u"&gt;";
                break;
            case u'"':
                replacement = u"&quot;";
                break;
            default:
                continue;
            }
            out_.append(v.substr(start, i - start));
            out_.append(replacement);
            start = i + 1;
        }
        out_.append(v.substr(start));
        return *this;
    }

    std::u16string& out_;
};

// A rough size, so that the text grows once or twice rather than many times.
std::size_t estimatedSize(const UrlSequence& urlarray)
{
    std::size_t size = 200;
    for (const auto& r : urlarray) {
        size += 200 + r->urladdress.size() + r->displayname.size() + r->querystring.size() +
                r->headers.size() + r->matchcontent.size() + r->unavailabilitystring.size() +
                r->httpcondition.size() + r->username.size() + r->password.size();
    }
    return size + size / 8;
}

void writeRecord(DocumentWriter& w, const Class1& r)
{
    w.text(u"<Url address=\"").value(r.urladdress);
    w.text(u"\" method=\"").value(r.httpmethod);
    w.text(u"\" displayname=\"").value(r.displayname).text(u"\">").endLine();
    if (!r.querystring.empty())
        w.text(u"<PostData> ").recordedValue(r.querystring).text(u"</PostData>").endLine();
    if (!r.headers.empty())
        w.text(u"<Header>").value(r.headers).text(u"</Header>").endLine();
    w.text(u"<AlertCondition>").endLine();
    if (!r.matchcontent.empty())
        w.text(u"<MatchContent>").value(r.matchcontent).text(u"</MatchContent>").endLine();
    if (!r.unavailabilitystring.empty()) {
        w.text(u"<UnavailabilityString>").value(r.unavailabilitystring);
        w.text(u"</UnavailabilityString>").endLine();
    }
    w.text(u"<HTTPResponseCode condition=\"").value(r.httpcondition);
    w.text(u"\" code=\"").number(r.httpvalue).text(u"\" />").endLine();
    w.text(u"</AlertCondition>").endLine();
    if (!r.username.empty()) {
        w.text(u"<AuthInfo username=\"").value(r.username);
        w.text(u"\" password=\"").value(r.password).text(u"\" />").endLine();
    }
    w.text(u"</Url>").endLine();
}

} // namespace

std::u16string BuildSequenceXml(const UrlSequence& urlarray)
{
    std::u16string document;
    document.reserve(estimatedSize(urlarray));
    DocumentWriter w(document);
    w.text(u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>").endLine();
    w.text(u"<!--This file contains URL Sequence recorded by user-->").endLine();
    w.text(u"<URLSequence>").endLine();
    for (const auto& record : urlarray)
        writeRecord(w, *record);
    w.text(u"</URLSequence>").endLine();
    return document;
}

} // namespace waytrace
