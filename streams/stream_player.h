#pragma once

#include "event_stream.h"

namespace waytrace {

class ScriptedBrowser;

// Raises a browser event of a stream on `browser`; edits of the sequence are not a browser's and
// are ignored here.
void playBrowserEvent(ScriptedBrowser& browser, const StreamEvent& event);

} // namespace waytrace
