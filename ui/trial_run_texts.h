#pragma once

#include "network/trial_run.h"
#include "trial_run_report.h"

#include <QIcon>
#include <QString>
#include <QStringList>

namespace waytrace {

// How a test-run result reads in the control panel and the results window, in the interface
// language.

// The verdict as a word: "passed", "would alert", "differs", ...
QString verdictText(TrialRunVerdict verdict);
// One line of what to do about a step with this verdict; none for one that passed.
QString adviceText(TrialRunVerdict verdict);

// A record's condition and code in the interface language ("Greater than 200"), whichever
// language the condition was picked in.
QString conditionText(const UrlRecord& record);
// After the address in the list: "passed", or what fires, or why nothing answered.
QString resultSummary(const TrialRunResult& result);
// How a run went, counted as its steps finish.
struct TrialRunTally
{
    void count(TrialRunVerdict verdict);

    int passed = 0;
    int fires = 0;  // would alert
    int failed = 0; // no answer
    int differ = 0; // answered, no condition fired, but not as the user saw it
    int notRun = 0;
    int stopped = 0;
};
// One line for the whole run: "3 passed, 1 would alert, 1 no answer", and how many differ, were
// not run or were stopped.
QString runSummary(const TrialRunTally& tally);
// Status, time, size and final address, or why nothing answered: the entry's tooltip.
QString resultDetails(const TrialRunResult& result);
// How the replayed page differs from the one the user saw, each way it does.
QString differencesText(const TrialRunResult& result);
// Why a replay of these recorded fields may be refused.
QString staleWarning(const QStringList& fields);
// Why a replay of these fields will likely be refused: each with its recorded value, the one
// the run's pages offer and the step that offered it.
QString liveStaleWarning(const std::vector<StaleField>& fields);
// The names of the fields.
QStringList fieldNames(const std::vector<StaleField>& fields);
// Whether a stale field is a token or a value that changes per visit, in words.
QString staleKindText(StaleField::Kind kind);
// After the address and any result, for a record that posts values that go stale: a flag and
// the fields' names.
QString staleFlag(const QStringList& fields);
// The signs beside the entries, one for each verdict and one for the step being run: discs in
// colours, *differs* a diamond so that it never reads as *would alert*. Drawn once per list,
// since the list asks for an entry's icon at every paint.
struct TrialRunIcons
{
    TrialRunIcons();
    [[nodiscard]] const QIcon& of(const TrialRunResult& result) const;
    [[nodiscard]] const QIcon& of(TrialRunVerdict verdict) const;

    QIcon passed;
    QIcon fires;
    QIcon differs;
    QIcon failed;
    QIcon notRun;
    QIcon stopped;
    QIcon running;
};

} // namespace waytrace
