#pragma once

#include "recorded_sequence.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace waytrace {

// What the user took out of the recorded sequence, newest last, so that it can be put back:
// a removed step, or a whole sequence that New Sequence or a save cleared; a move; keywords
// set on many steps at once. Kept for the run
// only, a bounded number of levels; nothing is written anywhere.
class SequenceUndo
{
public:
    // Removes the record at an index, keeping it to be put back. An index outside
    // 0..count() - 1 changes nothing and returns false.
    bool remove(RecordedSequence& sequence, std::size_t index);

    // Clears the sequence, keeping its records to be put back (an empty one keeps nothing).
    void clear(RecordedSequence& sequence);

    // Moves a step, keeping where it came from. Indexes outside 0..count() - 1 change nothing
    // and return false.
    bool move(RecordedSequence& sequence, std::size_t from, std::size_t to);

    // Sets records' "must be found" keywords, keeping what they held.
    void setRequiredKeywords(const std::vector<std::pair<RecordRef, std::u16string>>& changes);

    [[nodiscard]] bool canUndo() const { return !taken_.empty(); }

    // Puts back what was taken last: a step at its place, a cleared sequence ahead of whatever
    // was recorded since, so nothing is lost either way; a moved step goes back where it was.
    // Returns the index of the first record put back; nothing when there was nothing to undo
    // or the moved step is gone.
    std::optional<std::size_t> undo(RecordedSequence& sequence);

    static constexpr std::size_t kLevels = 100;

private:
    struct Taken
    {
        std::size_t index; // where the first record stood
        std::vector<RecordRef> records;
        std::optional<std::size_t> movedTo; // for a move: where its one record went
        // For keywords set: each record with what it held before.
        std::vector<std::pair<RecordRef, std::u16string>> keywords;
    };
    void keep(Taken taken);

    std::vector<Taken> taken_;
};

} // namespace waytrace
