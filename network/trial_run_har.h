#pragma once

#include "trial_run.h"

#include <QByteArray>
#include <QList>

namespace waytrace {

// A test run as a HAR 1.2 file, for any HAR viewer: each URL's request and the answer as the run
// saw it (status, headers, the start of the body, time). Credentials never go into it: the
// values of header lines that carry logins, cookies, keys, tokens, secrets or sessions are
// written as "***", addresses lose their user parts, and secret form fields say "(left out)".
QByteArray trialRunHar(const QList<TrialRunResult>& results);

} // namespace waytrace
