#include "logging.h"

namespace waytrace {

Q_LOGGING_CATEGORY(logCapture, "waytrace.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(logQueue, "waytrace.queue", QtInfoMsg)
Q_LOGGING_CATEGORY(logUpload, "waytrace.upload", QtInfoMsg)
Q_LOGGING_CATEGORY(logTrialRun, "waytrace.trialrun", QtInfoMsg)
Q_LOGGING_CATEGORY(logTrap, "waytrace.trap", QtInfoMsg)

} // namespace waytrace
