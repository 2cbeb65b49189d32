#pragma once

#include "url_record.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace waytrace {

using RecordRef = std::shared_ptr<UrlRecord>;

// The recorded sequence: records in the order the browsers announced the requests.
// Positions are 1-based. The list is created on first use and dropped by clear(), so records
// that nobody else holds die with it.
class RecordedSequence
{
public:
    using const_iterator = std::vector<RecordRef>::const_iterator;

    void append(RecordRef record);
    [[nodiscard]] std::size_t count() const;

    // Removes the record at a 1-based position; later records move up by one. A position
    // outside 1..count() changes nothing and returns false.
    bool remove(std::size_t position);

    // Inserts records before a 1-based position (count() + 1: at the end), in their order.
    // A position outside 1..count() + 1 changes nothing and returns false.
    bool insert(std::size_t position, std::vector<RecordRef> records);

    void clear();

    // The record at a 1-based position, or null outside 1..count().
    [[nodiscard]] RecordRef at(std::size_t position) const;

    // Walk, first to last.
    [[nodiscard]] const_iterator begin() const;
    [[nodiscard]] const_iterator end() const;

    // Whether the list exists right now; only clear() and first use change it.
    [[nodiscard]] bool exists() const { return list_ != nullptr; }

private:
    std::vector<RecordRef>& list() const;

    mutable std::unique_ptr<std::vector<RecordRef>> list_;
};

} // namespace waytrace
