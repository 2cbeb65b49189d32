#pragma once

#include "browser/browser.h"
#include "recording/recorder.h"
#include "streams/event_stream.h"

#include <QList>
#include <QObject>
#include <QStringList>

namespace waytrace {

// Listens to a main and a popup browser as the program does: both record through one
// recorder, and a new window of the main browser opens in the popup
// browser. Every event is also kept as a stream line, in the order the browsers raised them.
class RecordSession : public QObject
{
    Q_OBJECT

public:
    RecordSession(Browser& main, Browser& popup, QString helpUrl, QObject* parent = nullptr);

    [[nodiscard]] const QList<StreamEvent>& events() const { return events_; }
    [[nodiscard]] const RecordedSequence& sequence() const { return recorder_.sequence(); }
    [[nodiscard]] RecordedSequence& sequence() { return recorder_.sequence(); }
    [[nodiscard]] const QStringList& cancelled() const { return recorder_.cancelled(); }

    // No request raised from now on is recorded; what the pages tell of their loads still is.
    void stopRecording();

signals:
    void eventRaised(const waytrace::StreamEvent& event);
    // The main browser handed a new window to the popup browser.
    void popupOpened();
    // The popup page closed its window; the popup browser stays.
    void popupClosed();

private:
    void listen(Browser& browser, StreamEvent::Target target);
    void add(StreamEvent event);

    Browser& main_;
    Browser& popup_;
    Recorder recorder_;
    QList<StreamEvent> events_;
};

} // namespace waytrace
