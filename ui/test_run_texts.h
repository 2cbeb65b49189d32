#pragma once

#include "platform/test_run.h"

#include <QIcon>
#include <QString>
#include <QStringList>

namespace waytrace {

// How a test-run result reads in the control panel, in the interface language.

// After the address in the list: "passed", or what fires, or why nothing answered.
QString resultSummary(const TestRunResult& result);
// Status, time, size and final address, or why nothing answered: the entry's tooltip.
QString resultDetails(const TestRunResult& result);
// Why a replay of these recorded fields may be refused.
QString staleWarning(const QStringList& fields);
// Passed, fires, failed; or the flag of a record whose values go stale, when it has no result.
QIcon resultIcon(const TestRunResult* result, bool stale);
QIcon runningIcon();

} // namespace waytrace
