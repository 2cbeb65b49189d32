#include "sequence_document.h"

#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace waytrace {

namespace {

using namespace std::string_view_literals;

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

    // A field value: "%" doubled, XML's special characters escaped, and characters that XML
    // allows in no form written as U+FFFD, so the document always parses.
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
        for (auto i = nextSpecial(v, 0, doublePercent); i < v.size();
             i = nextSpecial(v, i + 1, doublePercent)) {
            out_.append(v.substr(start, i - start));
            out_.append(replacementFor(v[i]));
            start = i + 1;
        }
        out_.append(v.substr(start));
        return *this;
    }

    static std::u16string_view replacementFor(char16_t c)
    {
        switch (c) {
        case u'%':
            return u"%25"sv;
        case u'&':
            return u"&amp;"sv;
        case u'<':
            return u"&lt;"sv;
        case u'>':
            return u"&gt;"sv;
        case u'"':
            return u"&quot;"sv;
        default:
            return u"\uFFFD"sv;
        }
    }

    static bool isForbidden(char16_t c)
    {
        return (c < 0x20 && c != u'\t' && c != u'\n' && c != kCr) || c >= 0xFFFE;
    }

    static bool isSpecial(char16_t c, bool doublePercent)
    {
        return c == u'&' || c == u'<' || c == u'>' || c == u'"' || (doublePercent && c == u'%') ||
               isForbidden(c);
    }

    // Position of the next character to escape, or the size when there is none. Values are
    // mostly plain text, so eight units are checked at once where the processor allows.
    static std::size_t nextSpecial(std::u16string_view v, std::size_t from, bool doublePercent)
    {
        std::size_t i = from;
#ifdef __SSE2__
        const __m128i amp = _mm_set1_epi16('&');
        const __m128i lt = _mm_set1_epi16('<');
        const __m128i gt = _mm_set1_epi16('>');
        const __m128i quote = _mm_set1_epi16('"');
        const __m128i percent = _mm_set1_epi16(doublePercent ? '%' : '&');
        const __m128i lastControl = _mm_set1_epi16(0x1F);
        const __m128i one = _mm_set1_epi16(1);
        const __m128i allOnes = _mm_set1_epi16(-1);
        for (; i + 8 <= v.size(); i += 8) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v.data() + i));
            // Control characters (tab, LF and CR among them, sorted out below) and U+FFFE/F.
            const __m128i unusual = _mm_or_si128(
                _mm_cmpeq_epi16(_mm_subs_epu16(block, lastControl), _mm_setzero_si128()),
                _mm_cmpeq_epi16(_mm_or_si128(block, one), allOnes));
            const __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(block, amp), _mm_cmpeq_epi16(block, lt)),
                             _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(block, gt),
                                                       _mm_cmpeq_epi16(block, quote)),
                                          _mm_or_si128(_mm_cmpeq_epi16(block, percent), unusual)));
            if (_mm_movemask_epi8(hit) == 0)
                continue;
            for (std::size_t k = i; k < i + 8; ++k)
                if (isSpecial(v[k], doublePercent))
                    return k;
        }
#endif
        for (; i < v.size(); ++i)
            if (isSpecial(v[i], doublePercent))
                return i;
        return v.size();
    }

    std::u16string& out_;
};

} // namespace

std::size_t estimatedDocumentSize(const RecordedSequence& sequence)
{
    std::size_t size = 200;
    for (const auto& r : sequence) {
        size += 200 + r->urlAddress.size() + r->displayName.size() + r->postBody.size() +
                r->headers.size() + r->requiredKeywords.size() + r->forbiddenKeywords.size() +
                conditionWords(r->responseCondition).size() + r->userName.size() +
                r->password.size();
    }
    return size + size / 8;
}

namespace {

void writeRecord(DocumentWriter& w, const UrlRecord& r)
{
    w.text(u"<Url address=\""sv).value(r.urlAddress);
    w.text(u"\" method=\""sv).value(r.method == HttpMethod::Post ? u"P"sv : u"G"sv);
    w.text(u"\" displayname=\""sv).value(r.displayName).text(u"\">"sv).endLine();
    if (!r.postBody.empty())
        w.text(u"<PostData> "sv).recordedValue(r.postBody).text(u"</PostData>"sv).endLine();
    if (!r.headers.empty())
        w.text(u"<Header>"sv).value(r.headers).text(u"</Header>"sv).endLine();
    w.text(u"<AlertCondition>"sv).endLine();
    if (!r.requiredKeywords.empty())
        w.text(u"<MatchContent>"sv).value(r.requiredKeywords).text(u"</MatchContent>"sv).endLine();
    if (!r.forbiddenKeywords.empty()) {
        w.text(u"<UnavailabilityString>"sv).value(r.forbiddenKeywords);
        w.text(u"</UnavailabilityString>"sv).endLine();
    }
    w.text(u"<HTTPResponseCode condition=\""sv).value(conditionWords(r.responseCondition));
    w.text(u"\" code=\""sv).number(r.responseCode).text(u"\" />"sv).endLine();
    w.text(u"</AlertCondition>"sv).endLine();
    if (!r.userName.empty()) {
        w.text(u"<AuthInfo username=\""sv).value(r.userName);
        w.text(u"\" password=\""sv).value(r.password).text(u"\" />"sv).endLine();
    }
    w.text(u"</Url>"sv).endLine();
}

} // namespace

void writeSequenceDocument(const RecordedSequence& sequence, const DocumentPieces& piece)
{
    // Pieces of about 64 KB stay in the processor's caches on their way to the caller, so a
    // large sequence is never a second copy in fresh memory.
    constexpr std::size_t kPieceUnits = 32 * 1024;
    std::u16string buffer;
    buffer.reserve(kPieceUnits + 4096);
    DocumentWriter w(buffer);
    w.text(u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>"sv).endLine();
    w.text(u"<!--This file contains URL Sequence recorded by user-->"sv).endLine();
    w.text(u"<URLSequence>"sv).endLine();
    for (const auto& record : sequence) {
        writeRecord(w, *record);
        if (buffer.size() >= kPieceUnits) {
            piece(buffer);
            buffer.clear();
        }
    }
    w.text(u"</URLSequence>"sv).endLine();
    piece(buffer);
}

std::u16string buildSequenceDocument(const RecordedSequence& sequence)
{
    std::u16string document;
    document.reserve(estimatedDocumentSize(sequence));
    writeSequenceDocument(sequence, [&document](std::u16string_view piece) { document += piece; });
    return document;
}

} // namespace waytrace
