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

bool RecordedSequence::recordAfter(std::size_t position)
{
    if (position > count())
        return false;
    inserting_ = true;
    insertAfter_ = position == 0 ? std::weak_ptr<UrlRecord>() : at(position);
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
    if (from < 1 || from > records.size() || to < 1 || to > records.size())
        return false;
    const auto first = records.begin();
    if (from < to)
        std::rotate(first + static_cast<std::ptrdiff_t>(from - 1),
                    first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(to));
    else
        std::rotate(first + static_cast<std::ptrdiff_t>(to - 1),
                    first + static_cast<std::ptrdiff_t>(from - 1),
                    first + static_cast<std::ptrdiff_t>(from));
    return true;
}

std::size_t RecordedSequence::count() const
{
    return list_.size();
}

bool RecordedSequence::remove(std::size_t position)
{
    auto& records = list_;
    if (position < 1 || position > records.size())
        return false;
    // Recording into the middle after this record goes on after the one before it.
    if (inserting_ && records[position - 1] == insertAfter_.lock())
        insertAfter_ = position > 1 ? records[position - 2] : std::weak_ptr<UrlRecord>();
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(position - 1));
    return true;
}

bool RecordedSequence::insert(std::size_t position, std::vector<RecordRef> records)
{
    if (position < 1 || position > list_.size() + 1)
        return false;
    list_.insert(list_.begin() + static_cast<std::ptrdiff_t>(position - 1),
                 std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    return true;
}

void RecordedSequence::clear()
{
    list_.clear();
    recordAtEnd();
}

RecordRef RecordedSequence::at(std::size_t position) const
{
    const auto& records = list_;
    if (position < 1 || position > records.size())
        return nullptr;
    return records[position - 1];
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
