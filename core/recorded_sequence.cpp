#include "recorded_sequence.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace waytrace {

void RecordedSequence::append(RecordRef record)
{
    auto& records = list_;
    const auto point = insertionPoint();
    if (!point) {
        records.push_back(std::move(record));
        return;
    }
    insertAfter_ = record;
    records.insert(records.begin() + static_cast<std::ptrdiff_t>(*point), std::move(record));
}

bool RecordedSequence::recordAfter(std::size_t leading)
{
    if (leading > list_.size())
        return false;
    inserting_ = true;
    insertAfter_ = leading == 0 ? std::weak_ptr<UrlRecord>() : list_[leading - 1];
    return true;
}

void RecordedSequence::recordAtEnd()
{
    inserting_ = false;
    insertAfter_.reset();
}

std::optional<std::size_t> RecordedSequence::insertionPoint() const
{
    if (!inserting_)
        return std::nullopt;
    const auto anchor = insertAfter_.lock();
    if (!anchor)
        return 0;
    const auto& records = list_;
    const auto found = std::find(records.begin(), records.end(), anchor);
    if (found == records.end())
        return records.size(); // gone some other way: the end, as ever
    return static_cast<std::size_t>(found - records.begin()) + 1;
}

bool RecordedSequence::move(std::size_t from, std::size_t to)
{
    auto& records = list_;
    if (from >= records.size() || to >= records.size())
        return false;
    const auto first = records.begin();
    const auto place = [first](std::size_t index) {
        return first + static_cast<std::ptrdiff_t>(index);
    };
    if (from < to)
        std::rotate(place(from), place(from + 1), place(to + 1));
    else
        std::rotate(place(to), place(from), place(from + 1));
    return true;
}

std::size_t RecordedSequence::count() const
{
    return list_.size();
}

bool RecordedSequence::remove(std::size_t index)
{
    auto& records = list_;
    if (index >= records.size())
        return false;
    // Recording into the middle after this record goes on after the one before it.
    if (inserting_ && records[index] == insertAfter_.lock())
        insertAfter_ = index > 0 ? records[index - 1] : std::weak_ptr<UrlRecord>();
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool RecordedSequence::insert(std::size_t index, std::vector<RecordRef> records)
{
    if (index > list_.size())
        return false;
    list_.insert(list_.begin() + static_cast<std::ptrdiff_t>(index),
                 std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    return true;
}

void RecordedSequence::clear()
{
    list_.clear();
    recordAtEnd();
}

RecordRef RecordedSequence::at(std::size_t index) const
{
    return index < list_.size() ? list_[index] : nullptr;
}

RecordedSequence::const_iterator RecordedSequence::begin() const
{
    return list_.cbegin();
}

RecordedSequence::const_iterator RecordedSequence::end() const
{
    return list_.cend();
}

} // namespace waytrace
