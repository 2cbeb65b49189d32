#include "form_body.h"

#include <QRandomGenerator>

namespace waytrace {

namespace {

// Lone CR and lone LF become CR LF, as the form serializers do before encoding. On the encoded
// bytes this is the same: in every charset the engine sends, 0x0D and 0x0A stand only for
// themselves.
QByteArray normalizeLineBreaks(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text.at(i + 1) == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

void appendUrlEncoded(QByteArray& out, const QByteArray& bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '*' || byte == '-' ||
                           byte == '.' || byte == '_';
        if (plain) {
            out += ch;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
}

// Names and file names inside a quoted Content-Disposition parameter.
QByteArray dispositionText(QByteArray text)
{
    return text.replace("\"", "%22").replace("\r", "%0D").replace("\n", "%0A");
}

QByteArray urlEncoded(const QList<FormEntry>& entries)
{
    QByteArray out;
    for (const auto& entry : entries) {
        if (!out.isEmpty())
            out += '&';
        appendUrlEncoded(out, normalizeLineBreaks(entry.name));
        out += '=';
        appendUrlEncoded(out, normalizeLineBreaks(entry.value));
    }
    return out;
}

QByteArray textPlain(const QList<FormEntry>& entries)
{
    QByteArray out;
    for (const auto& entry : entries) {
        out += normalizeLineBreaks(entry.name);
        out += '=';
        out += normalizeLineBreaks(entry.value);
        out += "\r\n";
    }
    return out;
}

QByteArray multipart(const QList<FormEntry>& entries, const QByteArray& boundary)
{
    QByteArray out;
    for (const auto& entry : entries) {
        out += "--" + boundary + "\r\n";
        out += "Content-Disposition: form-data; name=\"" +
               dispositionText(normalizeLineBreaks(entry.name)) + '"';
        if (entry.isFile) {
            out += "; filename=\"" + dispositionText(entry.value) + "\"\r\n";
            out += "Content-Type: " +
                   (entry.fileType.isEmpty() ? "application/octet-stream" : entry.fileType) +
                   "\r\n\r\n";
        } else {
            out += "\r\n\r\n";
            out += normalizeLineBreaks(entry.value);
        }
        out += "\r\n";
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

// The boundary parameter of a multipart Content-Type value, quoted or not; empty when none.
QByteArray boundaryOf(const QByteArray& contentType)
{
    for (const auto& parameter : contentType.split(';')) {
        const auto trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("boundary=")) {
            auto value = trimmed.mid(9);
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

// Each part that carries a file name loses its content; everything else stays byte for byte.
QByteArray withoutFileContents(const QByteArray& body, const QByteArray& boundary)
{
    const QByteArray delimiter = "\r\n--" + boundary;
    QByteArray out;
    qsizetype at = 0;
    while (at < body.size()) {
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", at);
        if (headersEnd < 0)
            break;
        const qsizetype contentStart = headersEnd + 4;
        const qsizetype next = body.indexOf(delimiter, contentStart);
        if (next < 0)
            break;
        const QByteArray headers = body.mid(at, contentStart - at);
        out += headers;
        // Names are quoted with their own quotes escaped: only a file part has this.
        if (!headers.contains("\"; filename=\""))
            out += body.mid(contentStart, next - contentStart);
        out += delimiter;
        at = next + delimiter.size();
    }
    out += body.mid(at);
    return out;
}

} // namespace

FormEncoding formEncoding(const QString& enctype)
{
    if (enctype.compare(QLatin1String("multipart/form-data"), Qt::CaseInsensitive) == 0)
        return FormEncoding::Multipart;
    if (enctype.compare(QLatin1String("text/plain"), Qt::CaseInsensitive) == 0)
        return FormEncoding::TextPlain;
    return FormEncoding::UrlEncoded;
}

QByteArray newMultipartBoundary()
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray boundary("----WaytraceFormBoundary");
    auto* random = QRandomGenerator::system();
    for (int i = 0; i < 16; ++i)
        boundary += kAlphabet[random->bounded(static_cast<int>(sizeof kAlphabet - 1))];
    return boundary;
}

FormBody serializeForm(const QList<FormEntry>& entries, FormEncoding encoding,
                       const QByteArray& boundary)
{
    FormBody body;
    switch (encoding) {
    case FormEncoding::UrlEncoded:
        body.postData = urlEncoded(entries);
        body.headers = QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n");
        break;
    case FormEncoding::TextPlain:
        body.postData = textPlain(entries);
        body.headers = QStringLiteral("Content-Type: text/plain\r\n");
        break;
    case FormEncoding::Multipart:
        body.postData = multipart(entries, boundary);
        body.headers = QStringLiteral("Content-Type: multipart/form-data; boundary=%1\r\n")
                           .arg(QString::fromLatin1(boundary));
        break;
    }
    return body;
}

FormBody sentBody(const QByteArray& bytes, const QByteArray& contentType)
{
    FormBody body;
    const auto boundary = contentType.trimmed().toLower().startsWith("multipart/form-data")
                              ? boundaryOf(contentType)
                              : QByteArray();
    body.postData = boundary.isEmpty() ? bytes : withoutFileContents(bytes, boundary);
    if (!contentType.isEmpty())
        body.headers = QStringLiteral("Content-Type: %1\r\n").arg(QString::fromLatin1(contentType));
    return body;
}

} // namespace waytrace
