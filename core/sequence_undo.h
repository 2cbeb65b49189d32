#pragma once

#include "recorded_sequence.h"

#include <cstddef>
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
    // Removes the record at a 1-based position, keeping it to be put back. A position outside
    // 1..count() changes nothing and returns false.
    bool remove(RecordedSequence& sequence, std::size_t position);

    // Clears the sequence, keeping its records to be put back (an empty one keeps nothing).
    void clear(RecordedSequence& sequence);

    // Moves a step, keeping where it came from. Positions outside 1..count() change nothing
    // and return false.
    bool move(RecordedSequence& sequence, std::size_t from, std::size_t to);

    // Sets records' "must be found" keywords, keeping what they held.
    void setRequiredKeywords(const std::vector<std::pair<RecordRef, std::u16string>>& changes);

    [[nodiscard]] bool canUndo() const { return !taken_.empty(); }

    // Puts back what was taken last: a step at its place, a cleared sequence ahead of whatever
    // was recorded since, so nothing is lost either way; a moved step goes back where it was.
    // Returns the 1-based position of the first record put back, 0 when there was nothing to
    // undo.
    std::size_t undo(RecordedSequence& sequence);

    static constexpr std::size_t kLevels = 100;

private:
    struct Taken
    {
        std::size_t position; // 1-based, where the first record stood
        std::vector<RecordRef> records;
        std::size_t movedTo = 0; // for a move: where its one record went
        // For keywords set: each record with what it held before.
        std::vector<std::pair<RecordRef, std::u16string>> keywords;
    };
    void keep(Taken taken);

    std::vector<Taken> taken_;
};

} // namespace waytrace
