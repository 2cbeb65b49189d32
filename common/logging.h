#pragma once

#include <QLoggingCategory>

// What goes wrong out of the user's sight is logged here, by area; turn an area on with
// QT_LOGGING_RULES="waytrace.*.debug=true". Nothing logs a password or a request body: bodies
// are counted in bytes, addresses lose their query.
namespace waytrace {

// The capture script's reports from the pages.
Q_DECLARE_LOGGING_CATEGORY(logCapture)
// Navigations waiting for their bodies.
Q_DECLARE_LOGGING_CATEGORY(logQueue)
// Saving into the server.
Q_DECLARE_LOGGING_CATEGORY(logUpload)
// Trial runs of the sequence.
Q_DECLARE_LOGGING_CATEGORY(logTrialRun)
// Handlers stopped at their first failure.
Q_DECLARE_LOGGING_CATEGORY(logTrap)

} // namespace waytrace
