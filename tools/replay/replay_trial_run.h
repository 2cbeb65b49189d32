#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>

namespace waytrace {

struct TrialRunResult;

// One JSON line for a URL's test-run result, "\n" included.
QByteArray trialRunLine(const TrialRunResult& result);

// Runs the trial run on the sequence and prints one line per URL as it ends. Returns true when
// every URL answered and no condition fired.
bool printTrialRun(const RecordedSequence& sequence);

// Tells on stderr which steps a run sends as POSTs, for real.
void tellPostSteps(const RecordedSequence& sequence, const char* program);

} // namespace waytrace
