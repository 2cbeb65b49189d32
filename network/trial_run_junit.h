#pragma once

#include "trial_run.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace waytrace {

// One step of a run as a JUnit report names it.
struct JUnitStep
{
    int position = 0;  // 1-based
    QString label;     // may be empty
    bool post = false; // its method
    QString address;
    std::optional<TrialRunResult> result; // none: not run (a POST left out, a stopped run)
};

// A test run as the JUnit XML that CI servers read: one test suite named `suite`, one test case
// per step, named by its label, else its method and address. A step that did not pass gets a
// failure whose message is the verdict and its reason and whose text holds the details; a step
// not run is skipped; the fields a step sent stale are its system-out. No credential goes in:
// addresses lose their user parts, and the values of secret fields are left out.
QByteArray trialRunJUnit(const QString& suite, const std::vector<JUnitStep>& steps);

// The steps of a run of `sequence` with the results it gave, by position.
std::vector<JUnitStep> junitSteps(const RecordedSequence& sequence,
                                  const QList<TrialRunResult>& results);

} // namespace waytrace
