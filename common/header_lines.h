#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace waytrace {

// The header text a browser is given or reports ("Name: value" lines, each ending with CR LF) as
// name and value pairs, both trimmed. A line without a name before its colon is left out; a
// colon without a blank after it ("accept-charset:UTF-8,*") is fine. A line holding a bare CR or
// LF, or a NUL, is never handed on: see headerLinesFault().
QList<QPair<QByteArray, QByteArray>> parseHeaderLines(const QString& headers);

// Why a header text cannot be sent as it stands, in English, naming the line's header (never
// its value); empty when it can. A bare CR or LF would start a header of its own on the wire, a
// NUL ends it early.
QString headerLinesFault(const QString& headers);

// What a replay does with a recorded header line. Which lines are credentials, sent to their
// own origin only, is the secrets' rule's to say.
enum class HeaderUse
{
    Sent,
    Ignored, // the network layer writes it itself (Host, Content-Length, ...)
};
HeaderUse headerUse(const QByteArray& name);

} // namespace waytrace
