// The form-body serializer on any entries: every body comes with its Content-Type line; an
// urlencoded body decodes to exactly the entries, each line break as CR LF; a multipart body
// keeps its boundary and quotes every name whole.

#include "fuzz_qt_input.h"

#include "navigation/form_body.h"

#include <QList>

#include <cctype>
#include <cstdlib>

namespace {

QByteArray percentDecoded(const QByteArray& text)
{
    return QByteArray::fromPercentEncoding(QByteArray(text).replace('+', ' '));
}

// Line breaks in one form, so that values compare whatever the serializer made of them.
QByteArray unifiedBreaks(QByteArray text)
{
    return text.replace("\r\n", "\n").replace('\r', '\n');
}

void checkUrlEncoded(const QByteArray& body, const QList<waytrace::FormEntry>& entries)
{
    for (const char c : body)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || QByteArray("*-._%+&=").contains(c)))
            std::abort();
    const auto pairs = body.split('&');
    if (entries.isEmpty() ? !body.isEmpty() : pairs.size() != entries.size())
        std::abort();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto equals = pairs[i].indexOf('=');
        if (equals < 0)
            std::abort();
        const auto name = percentDecoded(pairs[i].left(equals));
        const auto value = percentDecoded(pairs[i].mid(equals + 1));
        for (const auto* text : {&name, &value})
            if (unifiedBreaks(*text).count('\n') != text->count("\r\n"))
                std::abort(); // a lone CR or LF went through
        if (unifiedBreaks(name) != unifiedBreaks(entries[i].name) ||
            unifiedBreaks(value) != unifiedBreaks(entries[i].value))
            std::abort();
    }
}

void checkMultipart(const QByteArray& body, const QString& headers,
                    const QList<waytrace::FormEntry>& entries, const QByteArray& boundary)
{
    if (!body.endsWith("--" + boundary + "--\r\n") ||
        !headers.endsWith(QLatin1String("boundary=") + QLatin1String(boundary) + "\r\n"))
        std::abort();
    qsizetype from = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        // Each part's header line: a quoted name without quote, CR or LF inside.
        const QByteArray start = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"";
        const auto at = body.indexOf(start, from);
        if (at < 0)
            std::abort();
        const auto nameStart = at + start.size();
        const auto nameEnd = body.indexOf('"', nameStart);
        const auto lineEnd = body.indexOf("\r\n", nameStart);
        if (nameEnd < 0 || lineEnd < nameEnd)
            std::abort();
        from = lineEnd;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const auto settings = qtBytes(input);
    const auto encoding = waytrace::formEncoding(
        settings.isEmpty()     ? QString()
        : settings[0] % 3 == 0 ? QStringLiteral("Multipart/Form-Data")
        : settings[0] % 3 == 1 ? QStringLiteral("text/plain")
                               : QStringLiteral("application/x-www-form-urlencoded"));
    // A boundary as the program makes them: letters and digits only.
    const QByteArray boundary = "----WaytraceFormBoundary" + settings.toHex();
    QList<waytrace::FormEntry> entries;
    while (!input.empty()) {
        waytrace::FormEntry entry;
        // Entries arrive already in the bytes of the form's charset.
        entry.name = qtBytes(input);
        entry.value = qtBytes(input);
        entry.isFile = encoding == waytrace::FormEncoding::Multipart && entry.value.size() % 2;
        if (entry.isFile)
            entry.fileType = qtBytes(input);
        entries.append(entry);
    }
    const auto body = waytrace::serializeForm(entries, encoding, boundary);
    if (!body.headers.endsWith(QLatin1String("\r\n")))
        std::abort();
    const auto& bytes = body.postData;
    if (encoding == waytrace::FormEncoding::UrlEncoded)
        checkUrlEncoded(bytes, entries);
    else if (encoding == waytrace::FormEncoding::Multipart)
        checkMultipart(bytes, body.headers, entries, boundary);
    else if (bytes.count("\r\n") < entries.size())
        std::abort();
    return 0;
}
