#include "recorded_sequence.h"

#include <iterator>
#include <utility>

namespace waytrace {

std::vector<RecordRef>& RecordedSequence::list() const
{
    if (!list_)
        list_ = std::make_unique<std::vector<RecordRef>>();
    return *list_;
}

void RecordedSequence::append(RecordRef record)
{
    list().push_back(std::move(record));
}

std::size_t RecordedSequence::count() const
{
    return list().size();
}

bool RecordedSequence::remove(std::size_t position)
{
    auto& records = list();
    if (position < 1 || position > records.size())
        return false;
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(position - 1));
    return true;
}

bool RecordedSequence::insert(std::size_t position, std::vector<RecordRef> records)
{
    auto& list = this->list();
    if (position < 1 || position > list.size() + 1)
        return false;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(position - 1),
                std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    return true;
}

void RecordedSequence::clear()
{
    list_.reset();
}

RecordRef RecordedSequence::at(std::size_t position) const
{
    const auto& records = list();
    if (position < 1 || position > records.size())
        return nullptr;
    return records[position - 1];
}

RecordedSequence::const_iterator RecordedSequence::begin() const
{
    return list().cbegin();
}

RecordedSequence::const_iterator RecordedSequence::end() const
{
    return list().cend();
}

} // namespace waytrace
