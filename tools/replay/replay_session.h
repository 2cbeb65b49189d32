#pragma once

#include "core/url_sequence.h"
#include "platform/event_stream.h"
#include "platform/scripted_browser.h"

#include <QStringList>

namespace waytrace {

// Plays an event stream through the same recording code as the program: browser events go to a
// scripted main or popup browser, edits go into the records as the control panel stores them.
class ReplaySession
{
public:
    explicit ReplaySession(QString helpUrl);

    // Throws EventStreamError for an edit that cannot be applied (unknown field, wrong value,
    // position out of range).
    void apply(const StreamEvent& event);

    [[nodiscard]] const UrlSequence& sequence() const { return sequence_; }
    [[nodiscard]] const QStringList& cancelled() const { return cancelled_; }

private:
    void edit(const StreamEvent& event);
    void listen(ScriptedBrowser& browser);

    QString helpUrl_;
    UrlSequence sequence_;
    QStringList cancelled_;
    ScriptedBrowser main_;
    ScriptedBrowser popup_;
};

} // namespace waytrace
