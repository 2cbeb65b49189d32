#pragma once

#include <string_view>

namespace waytrace {

// CompareType 0 compares code units exactly; 1 ignores letter case by the C library's locale.
bool StringStartsWith(std::u16string_view strvalue, std::u16string_view checkfor,
                      int CompareType = 0);
bool StringEndsWith(std::u16string_view strvalue, std::u16string_view checkfor,
                    int CompareType = 0);

// Case-sensitive substring test of any length. An empty `checkfor` is found in every text but
// the empty one.
bool StringContains(std::u16string_view strvalue, std::u16string_view checkfor);

} // namespace waytrace
