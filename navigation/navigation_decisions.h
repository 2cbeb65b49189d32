#pragma once

// Where the queue's decisions go. The queue decides when each of the engine's requests reaches
// its browser and with which body; whoever owns the browsers carries each decision out on its
// browser (the session on the engine, a test with scripted browsers).

#include "browser/navigation_request.h"

namespace waytrace {

class Browser;

class NavigationDecisions
{
public:
    virtual ~NavigationDecisions() = default;

    // Raises `request` on `browser` (beforeNavigate2); returns whether a handler cancelled it.
    virtual bool raise(Browser& browser, NavigationRequest& request) = 0;
    // A handler cancelled a request the engine had already let go: the browser stops its load.
    virtual void cancelLate(Browser& browser) = 0;
    // The engine's word on a body came after its request was raised: the browser confirms it
    // (requestBodyConfirmed).
    virtual void confirmBody(Browser& browser, const NavigationRequest& request) = 0;
};

} // namespace waytrace
