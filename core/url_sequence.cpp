#include "url_sequence.h"

#include <utility>

namespace waytrace {

std::vector<RecordRef>& UrlSequence::list() const
{
    if (!list_)
        list_ = std::make_unique<std::vector<RecordRef>>();
    return *list_;
}

void UrlSequence::append(RecordRef record)
{
    list().push_back(std::move(record));
}

std::size_t UrlSequence::count() const
{
    return list().size();
}

bool UrlSequence::remove(std::size_t position)
{
    auto& records = list();
    if (position < 1 || position > records.size())
        return false;
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(position - 1));
    return true;
}

void UrlSequence::clear()
{
    list_.reset();
}

RecordRef UrlSequence::at(std::size_t position) const
{
    const auto& records = list();
    if (position < 1 || position > records.size())
        return nullptr;
    return records[position - 1];
}

UrlSequence::const_iterator UrlSequence::begin() const
{
    return list().cbegin();
}

UrlSequence::const_iterator UrlSequence::end() const
{
    return list().cend();
}

} // namespace waytrace
