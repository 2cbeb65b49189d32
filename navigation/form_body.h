#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace waytrace {

// One entry of a submitted form as the page built it, name and value already in the bytes of the
// form's charset. A file entry carries its file name (as its value) and type; its content is not
// available to the capture script.
struct FormEntry
{
    QByteArray name;
    QByteArray value;
    bool isFile = false;
    QByteArray fileType;
};

enum class FormEncoding
{
    UrlEncoded,
    TextPlain,
    Multipart
};

// A request body as the browsers hand it on: its bytes as sent, and the header text that belongs
// to them.
struct FormBody
{
    QByteArray postData;
    QString headers;
};

// The encoding a form's enctype names; anything unknown is urlencoded, as in the engine.
FormEncoding formEncoding(const QString& enctype);

// A fresh multipart boundary, unlikely to occur in any value.
QByteArray newMultipartBoundary();

// Serializes the entries the way the engine sends them. `boundary` is used for multipart only
// and announced in the header text.
FormBody serializeForm(const QList<FormEntry>& entries, FormEncoding encoding,
                       const QByteArray& boundary = {});

// A body as the engine sent it, with its Content-Type value, as the browsers hand it on. A
// multipart body keeps every part's headers, and its text parts as sent; file contents are left
// out, as the capture script leaves them.
FormBody sentBody(const QByteArray& bytes, const QByteArray& contentType);

} // namespace waytrace
