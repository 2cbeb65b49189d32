#pragma once

#include "trial_run.h"

#include "core/recorded_sequence.h"

#include <QList>

#include <string>
#include <utility>
#include <vector>

namespace waytrace {

// For each step without "must be found" keywords that a test run answered, a phrase of the page
// the user saw that the steps beside it do not show and that the run's answer holds
// (suggestedCheck): the checks the monitor on the server can run too. Nothing is changed.
std::vector<std::pair<RecordRef, std::u16string>>
suggestedChecks(const RecordedSequence& sequence, const QList<TrialRunResult>& results);

} // namespace waytrace
