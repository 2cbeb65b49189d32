#pragma once

#include <string_view>

namespace waytrace {

// compareType 0 compares code units exactly; 1 ignores letter case by the C library's locale.
bool stringStartsWith(std::u16string_view text, std::u16string_view part, int compareType = 0);
bool stringEndsWith(std::u16string_view text, std::u16string_view part, int compareType = 0);

// Case-sensitive substring test of any length. An empty `part` is found in every text but
// the empty one.
bool stringContains(std::u16string_view text, std::u16string_view part);

} // namespace waytrace
