#pragma once

#include "url_record.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace waytrace {

using RecordRef = std::shared_ptr<UrlRecord>;

// The recorded sequence: records in the order the browsers announced the requests.
// Indexes are 0-based; the 1-based step numbers people see are made where they are shown.
// clear() lets go of every record: those that nobody else holds die with it. Recording goes to
// the end, or after a chosen step while the user records into the middle.
class RecordedSequence
{
public:
    using const_iterator = std::vector<RecordRef>::const_iterator;

    // At the end, or at the insertion point, which then moves past the new record.
    void append(RecordRef record);

    // New records go after the first `leading` records (0: before the first), in their order,
    // until recordAtEnd() or clear(). More than count() changes nothing and returns false.
    bool recordAfter(std::size_t leading);
    void recordAtEnd();
    // Where new records go: after this many records; none while recording at the end.
    [[nodiscard]] std::optional<std::size_t> insertionPoint() const;

    // Moves the record at one index to another; those between shift by one. Indexes outside
    // 0..count() - 1 change nothing and return false.
    bool move(std::size_t from, std::size_t to);
    [[nodiscard]] std::size_t count() const;

    // Removes the record at an index; later records move up by one. An index outside
    // 0..count() - 1 changes nothing and returns false.
    bool remove(std::size_t index);

    // Inserts records at an index (count(): at the end), in their order. An index above
    // count() changes nothing and returns false.
    bool insert(std::size_t index, std::vector<RecordRef> records);

    void clear();

    // The record at an index, or null outside 0..count() - 1.
    [[nodiscard]] RecordRef at(std::size_t index) const;

    // Walk, first to last.
    [[nodiscard]] const_iterator begin() const;
    [[nodiscard]] const_iterator end() const;

private:
    std::vector<RecordRef> list_;
    // While recording into the middle: the record new ones follow (null: the start).
    bool inserting_ = false;
    std::weak_ptr<UrlRecord> insertAfter_;
};

} // namespace waytrace
