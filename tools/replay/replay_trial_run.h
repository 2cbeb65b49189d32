#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>
#include <QString>

namespace waytrace {

struct TrialRunResult;

// One JSON line for a URL's test-run result, "\n" included.
QByteArray trialRunLine(const TrialRunResult& result);

// How a test run ends, as its exit status says.
enum TrialRunExit
{
    kAllPassed = 0,
    kNotAllPassed = 1,    // a step would alert, differs or got no answer
    kWithheldMissing = 2, // a value the file was saved without is not in the environment
    kCannotStart = 3,     // nothing to run, or the JUnit file cannot be written
};

// What a run writes besides its lines, where a path is given: the run as JUnit XML, its suite
// named `suite`, and as a HAR (every request that went over the wire).
struct TrialRunReports
{
    QString junit;
    QString har;
    QString suite;
};

// Runs the trial run on the sequence and prints one line per URL as it ends, and writes the
// reports asked for. Their files are made before anything is sent, so that a run never goes
// unreported.
TrialRunExit printTrialRun(const RecordedSequence& sequence, const TrialRunReports& reports = {});

// Tells on stderr which steps a run sends as POSTs, for real.
void tellPostSteps(const RecordedSequence& sequence, const char* program);

} // namespace waytrace
