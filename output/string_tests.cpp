#include "string_tests.h"

#include <algorithm>
#include <cwctype>

namespace waytrace {

namespace {

bool sameText(std::u16string_view a, std::u16string_view b, int compareType)
{
    if (compareType != 1)
        return a == b;
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char16_t x, char16_t y) {
        return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
    });
}

} // namespace

bool stringStartsWith(std::u16string_view text, std::u16string_view part, int compareType)
{
    if (part.size() > text.size())
        return false;
    return sameText(text.substr(0, part.size()), part, compareType);
}

bool stringEndsWith(std::u16string_view text, std::u16string_view part, int compareType)
{
    if (part.size() > text.size())
        return false;
    return sameText(text.substr(text.size() - part.size()), part, compareType);
}

bool stringContains(std::u16string_view text, std::u16string_view part)
{
    if (part.empty())
        return !text.empty();
    return text.find(part) != std::u16string_view::npos;
}

} // namespace waytrace
