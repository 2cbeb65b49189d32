#include "suggested_checks.h"

#include "core/check_suggestion.h"

#include <algorithm>

namespace waytrace {

std::vector<std::pair<RecordRef, std::u16string>>
suggestedChecks(const RecordedSequence& sequence, const QList<TrialRunResult>& results)
{
    const std::vector<RecordRef> records(sequence.begin(), sequence.end());
    std::vector<std::pair<RecordRef, std::u16string>> checks;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordRef& record = records[i];
        if (!record->requiredKeywords.empty() || !record->seen)
            continue;
        const auto result = std::find_if(results.cbegin(), results.cend(), [&](const auto& run) {
            return run.record.lock() == record;
        });
        if (result == results.cend() || result->failure != TrialRunFailure::None)
            continue;
        std::vector<const SeenPage*> neighbours;
        if (i > 0 && records[i - 1]->seen)
            neighbours.push_back(&*records[i - 1]->seen);
        if (i + 1 < records.size() && records[i + 1]->seen)
            neighbours.push_back(&*records[i + 1]->seen);
        auto phrase =
            suggestedCheck(*record->seen, neighbours, answerText(*result).toStdU16String());
        if (!phrase.empty())
            checks.emplace_back(record, std::move(phrase));
    }
    return checks;
}

} // namespace waytrace
