#pragma once

#include "browser/navigation_request.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <stdexcept>

class QIODevice;

namespace waytrace {

// One line of an event stream: a browser event as a browser raised it, or an edit of the
// sequence as the control panel makes it. Streams are JSON lines in UTF-8.
struct StreamEvent
{
    enum class Kind
    {
        BeforeNavigate2,
        RequestBodyConfirmed,
        NewWindow2,
        NavigateComplete2,
        DocumentComplete,
        DownloadComplete,
        OnQuit,
        WindowClosing,
        Edit,
        Remove,
        Clear,
    };
    enum class Target
    {
        Main,
        Popup
    };

    int line = 0; // 1-based line of the stream
    Kind kind = Kind::BeforeNavigate2;
    Target browser = Target::Main;
    QString url;
    QString headers;
    // BeforeNavigate2, RequestBodyConfirmed. On the wire, "postData" is the body followed by one
    // terminating byte, and a request without it is a GET.
    HttpMethod method = HttpMethod::Get;
    QByteArray body;
    // BeforeNavigate2 whose body the page reported (a later RequestBodyConfirmed of the same
    // request may correct it), RequestBodyConfirmed: which request, 0 for none.
    qint64 request = 0;
    bool bodyUnconfirmed = false; // BeforeNavigate2
    bool isChildWindow = false;   // WindowClosing
    qint64 position = 0;          // Edit, Remove: 1-based
    QString field;                // Edit
    QJsonValue value;             // Edit: checked by whoever applies the edit
};

class EventStreamError : public std::runtime_error
{
public:
    EventStreamError(int line, const QString& message);
    [[nodiscard]] int line() const { return line_; }

private:
    int line_;
};

// Reads a whole stream; the first bad line throws EventStreamError naming its line number.
QList<StreamEvent> readEventStream(QIODevice& device);

// One event as a stream line, without the line end.
QByteArray writeStreamEvent(const StreamEvent& event);

} // namespace waytrace
