#include "sequence_undo.h"

#include <algorithm>
#include <utility>

namespace waytrace {

bool SequenceUndo::remove(RecordedSequence& sequence, std::size_t position)
{
    RecordRef record = sequence.at(position);
    if (!record || !sequence.remove(position))
        return false;
    keep({position, {std::move(record)}, 0, {}});
    return true;
}

void SequenceUndo::clear(RecordedSequence& sequence)
{
    std::vector<RecordRef> records(sequence.begin(), sequence.end());
    sequence.clear();
    if (!records.empty())
        keep({1, std::move(records), 0, {}});
}

bool SequenceUndo::move(RecordedSequence& sequence, std::size_t from, std::size_t to)
{
    RecordRef record = sequence.at(from);
    if (!record || !sequence.move(from, to))
        return false;
    keep({from, {std::move(record)}, to, {}});
    return true;
}

void SequenceUndo::setRequiredKeywords(
    const std::vector<std::pair<RecordRef, std::u16string>>& changes)
{
    Taken taken{0, {}, 0, {}};
    for (const auto& [record, keywords] : changes) {
        taken.keywords.emplace_back(record, std::exchange(record->requiredKeywords, keywords));
    }
    if (!taken.keywords.empty())
        keep(std::move(taken));
}

std::size_t SequenceUndo::undo(RecordedSequence& sequence)
{
    if (taken_.empty())
        return 0;
    Taken taken = std::move(taken_.back());
    taken_.pop_back();
    if (!taken.keywords.empty()) {
        std::size_t first = 0;
        for (auto& [record, keywords] : taken.keywords) {
            record->requiredKeywords = std::move(keywords);
            const auto found = std::find(sequence.begin(), sequence.end(), record);
            if (first == 0 && found != sequence.end())
                first = static_cast<std::size_t>(found - sequence.begin()) + 1;
        }
        return std::max<std::size_t>(first, 1);
    }
    if (taken.movedTo != 0) {
        // Found where it is now: steps recorded or removed since may have shifted it.
        const auto found = std::find(sequence.begin(), sequence.end(), taken.records.front());
        if (found == sequence.end())
            return 0;
        const auto now = static_cast<std::size_t>(found - sequence.begin()) + 1;
        const auto back = std::min(taken.position, sequence.count());
        sequence.move(now, back);
        return back;
    }
    const std::size_t position = std::min(taken.position, sequence.count() + 1);
    sequence.insert(position, std::move(taken.records));
    return position;
}

void SequenceUndo::keep(Taken taken)
{
    if (taken_.size() == kLevels)
        taken_.erase(taken_.begin());
    taken_.push_back(std::move(taken));
}

} // namespace waytrace
