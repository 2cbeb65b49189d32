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

bool StringStartsWith(std::u16string_view strvalue, std::u16string_view checkfor, int CompareType)
{
    if (checkfor.size() > strvalue.size())
        return false;
    return sameText(strvalue.substr(0, checkfor.size()), checkfor, CompareType);
}

bool StringEndsWith(std::u16string_view strvalue, std::u16string_view checkfor, int CompareType)
{
    if (checkfor.size() > strvalue.size())
        return false;
    return sameText(strvalue.substr(strvalue.size() - checkfor.size()), checkfor, CompareType);
}

bool StringContains(std::u16string_view strvalue, std::u16string_view checkfor)
{
    if (checkfor.empty())
        return !strvalue.empty();
    return strvalue.find(checkfor) != std::u16string_view::npos;
}

} // namespace waytrace
