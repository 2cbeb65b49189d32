#pragma once

#include "logging.h"

#include <exception>

namespace waytrace {

// Runs a handler body that must end silently at its first failure, keeping the steps already
// done. Failing steps throw; this is the one place that stops them.
template <typename Body> void runTrapped(Body&& body) noexcept
{
    try {
        body();
    } catch (const std::exception& error) {
        // The handler ends here by design; the user is not told, the log is.
        qCWarning(logTrap, "handler stopped: %s", error.what());
    }
}

} // namespace waytrace
