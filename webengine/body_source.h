#pragma once

#include <functional>

namespace waytrace {

// What tells a browser's request bodies apart from its requests, where the engine hands the
// interceptor none (before Qt 6.7: InspectorBodies). From Qt 6.7 on a browser has none, and
// dropping the older releases is deleting what implements this.
class BodySource
{
public:
    virtual ~BodySource() = default;

    // Whether this browser's bodies are told now.
    [[nodiscard]] virtual bool listening() const = 0;
    // Runs `load` once the bodies are told, or at once where they never will be. Only the newest
    // load waits, as when someone types a second address before the first page came.
    virtual void whenListening(std::function<void()> load) = 0;
    // The browser's page took over a new window's contents: tell those from now on.
    virtual void follow() = 0;
};

} // namespace waytrace
