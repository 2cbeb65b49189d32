#pragma once

#include <string>
#include <string_view>

namespace waytrace {

// Replaces every occurrence of `from`, left to right, without re-scanning replaced text.
// An empty `from` leaves the text as it is.
std::u16string replaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to);

} // namespace waytrace
