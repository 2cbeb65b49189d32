#include "trial_run_report.h"

namespace waytrace {

void TrialRunReport::start(const RecordedSequence& sequence, bool posts)
{
    steps.clear();
    steps.reserve(sequence.count());
    int position = 0;
    for (const auto& record : sequence) {
        const bool post = record->method == HttpMethod::Post;
        steps.push_back({++position,
                         record,
                         QString::fromStdU16String(record->displayName),
                         post,
                         QString::fromStdU16String(record->urlAddress),
                         post && !posts,
                         {}});
    }
    running = true;
    stopped = false;
}

int TrialRunReport::add(const TrialRunResult& result)
{
    const auto index = std::size_t(result.position - 1);
    if (result.position < 1 || index >= steps.size())
        return -1;
    steps[index].result = result;
    return int(index);
}

void TrialRunReport::finish(bool cancelled)
{
    running = false;
    stopped = cancelled;
}

std::optional<TrialRunVerdict> TrialRunReport::verdict(const Step& step) const
{
    if (step.result)
        return verdictOf(*step.result);
    if (step.leftOut)
        return TrialRunVerdict::NotRun;
    if (running)
        return std::nullopt; // not reached yet
    return stopped ? TrialRunVerdict::Stopped : TrialRunVerdict::NotRun;
}

} // namespace waytrace
