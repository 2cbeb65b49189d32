#pragma once

#include "trial_run_report.h"

#include <QString>

namespace waytrace {

// Everything a test run knows of one step, as rich text for the results window: its verdict,
// what came back, each condition and whether it fires, each difference with what the user saw
// and what the replay got side by side, each stale field with its values, and what to do.
QString stepDetailsHtml(const TrialRunReport::Step& step, std::optional<TrialRunVerdict> verdict);

} // namespace waytrace
