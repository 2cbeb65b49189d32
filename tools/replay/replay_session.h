#pragma once

#include "browser/scripted_browser.h"
#include "recording/recorder.h"
#include "streams/stream_player.h"

#include <QStringList>

namespace waytrace {

// Plays an event stream through the same recorder as the program: browser events go to a
// scripted main or popup browser, edits go into the records as the control panel stores them.
class ReplaySession
{
public:
    explicit ReplaySession(QString helpUrl);

    // Throws EventStreamError for an edit that cannot be applied (unknown field, wrong value,
    // position out of range).
    void apply(const StreamEvent& event);

    [[nodiscard]] const RecordedSequence& sequence() const { return recorder_.sequence(); }
    [[nodiscard]] const QStringList& cancelled() const { return recorder_.cancelled(); }

private:
    void edit(const StreamEvent& event);

    Recorder recorder_;
    ScriptedBrowser main_;
    ScriptedBrowser popup_;
};

} // namespace waytrace
