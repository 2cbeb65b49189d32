#pragma once

#include "core/url_sequence.h"
#include "platform/browser.h"
#include "platform/event_stream.h"

#include <QList>
#include <QObject>
#include <QStringList>

namespace waytrace {

// Listens to a main and a popup browser as the program does: every before-navigate runs the
// recording rule into one sequence, and a new window of the main browser opens in the popup
// browser. Every event is also kept as a stream line, in the order the browsers raised them.
class RecordSession : public QObject
{
    Q_OBJECT

public:
    RecordSession(Browser& main, Browser& popup, QString helpUrl, QObject* parent = nullptr);

    [[nodiscard]] const QList<StreamEvent>& events() const { return events_; }
    [[nodiscard]] const UrlSequence& sequence() const { return sequence_; }
    [[nodiscard]] const QStringList& cancelled() const { return cancelled_; }

signals:
    void eventRaised(const waytrace::StreamEvent& event);
    // The main browser handed a new window to the popup browser.
    void popupOpened();
    // The popup page closed its window; the popup browser stays.
    void popupClosed();

private:
    void listen(Browser& browser, StreamEvent::Target target);
    void add(StreamEvent event);

    Browser& popup_;
    QString helpUrl_;
    UrlSequence sequence_;
    QStringList cancelled_;
    QList<StreamEvent> events_;
};

} // namespace waytrace
