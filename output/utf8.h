#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace waytrace {

// UTF-8 bytes of one UTF-16 code unit: 1, 2 or 3 bytes. A surrogate on its own has no UTF-8
// form and becomes U+FFFD.
struct Utf8Unit
{
    std::array<std::uint8_t, 3> bytes{};
    std::uint8_t size = 0;
};
Utf8Unit ToUTF8(std::uint16_t UTF16);

// The UTF-8 bytes of a text, held in a std::string: no byte-order mark, no terminating zero.
// A surrogate pair becomes its four-byte form; a lone surrogate becomes U+FFFD.
std::string UniStrToUTF8(std::u16string_view UniString);

} // namespace waytrace
