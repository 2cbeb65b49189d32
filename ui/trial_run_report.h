#pragma once

#include "core/recorded_sequence.h"
#include "network/trial_run.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace waytrace {

// A whole test run as it went: every step of the sequence as it was when the run started, with
// its result once it has one. The results window and the panel's summary read it.
struct TrialRunReport
{
    struct Step
    {
        int position = 0; // 1-based
        std::weak_ptr<UrlRecord> record;
        QString label;
        bool post = false;
        QString address;
        bool leftOut = false; // a POST the user chose not to send
        std::optional<TrialRunResult> result;
    };

    // The steps of `sequence`, none run yet.
    void start(const RecordedSequence& sequence, bool posts);
    // Its step's result; the index of that step, or -1.
    int add(const TrialRunResult& result);
    void finish(bool cancelled);

    [[nodiscard]] std::optional<TrialRunVerdict> verdict(const Step& step) const;

    std::vector<Step> steps;
    bool running = false;
    bool stopped = false;
};

} // namespace waytrace
