#include "sequence_undo.h"

#include <algorithm>
#include <utility>

namespace waytrace {

bool SequenceUndo::remove(RecordedSequence& sequence, std::size_t index)
{
    RecordRef record = sequence.at(index);
    if (!record || !sequence.remove(index))
        return false;
    keep({index, {std::move(record)}, std::nullopt, {}});
    return true;
}

void SequenceUndo::clear(RecordedSequence& sequence)
{
    std::vector<RecordRef> records(sequence.begin(), sequence.end());
    sequence.clear();
    if (!records.empty())
        keep({0, std::move(records), std::nullopt, {}});
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
    Taken taken{0, {}, std::nullopt, {}};
    for (const auto& [record, keywords] : changes) {
        taken.keywords.emplace_back(record, std::exchange(record->requiredKeywords, keywords));
    }
    if (!taken.keywords.empty())
        keep(std::move(taken));
}

std::optional<std::size_t> SequenceUndo::undo(RecordedSequence& sequence)
{
    if (taken_.empty())
        return std::nullopt;
    Taken taken = std::move(taken_.back());
    taken_.pop_back();
    const auto indexOf = [&sequence](const RecordRef& record) -> std::optional<std::size_t> {
        const auto found = std::find(sequence.begin(), sequence.end(), record);
        if (found == sequence.end())
            return std::nullopt;
        return static_cast<std::size_t>(found - sequence.begin());
    };
    if (!taken.keywords.empty()) {
        std::optional<std::size_t> first;
        for (auto& [record, keywords] : taken.keywords) {
            record->requiredKeywords = std::move(keywords);
            if (!first)
                first = indexOf(record);
        }
        return first.value_or(0);
    }
    if (taken.movedTo) {
        // Found where it is now: steps recorded or removed since may have shifted it.
        const auto now = indexOf(taken.records.front());
        if (!now)
            return std::nullopt;
        const auto back = std::min(taken.index, sequence.count() - 1);
        sequence.move(*now, back);
        return back;
    }
    const std::size_t index = std::min(taken.index, sequence.count());
    sequence.insert(index, std::move(taken.records));
    return index;
}

void SequenceUndo::keep(Taken taken)
{
    if (taken_.size() == kLevels)
        taken_.erase(taken_.begin());
    taken_.push_back(std::move(taken));
}

} // namespace waytrace
