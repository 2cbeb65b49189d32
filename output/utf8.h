#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace waytrace {

// Leaves new elements uninitialised on resize, so a buffer sized for the worst case costs only
// the bytes actually written: large untouched pages are never even mapped in.
template <typename T> struct UninitializedAllocator : std::allocator<T>
{
    template <typename U>
    struct rebind // NOLINT(readability-identifier-naming): the allocator protocol
    {
        using other = UninitializedAllocator<U>;
    };
    using std::allocator<T>::allocator;
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// An array of bytes, first index 0.
using ByteArray = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;

// UTF-8 bytes of one UTF-16 code unit: 1, 2 or 3 bytes. A surrogate on its own has no UTF-8
// form and becomes U+FFFD.
struct Utf8Unit
{
    std::array<std::uint8_t, 3> bytes{};
    std::uint8_t size = 0;
};
Utf8Unit unitToUtf8(std::uint16_t unit);

// The UTF-8 bytes of a text: no byte-order mark, no terminating zero. A surrogate pair becomes
// its four-byte form; a lone surrogate becomes U+FFFD.
ByteArray toUtf8(std::u16string_view text16);

// Appends the UTF-8 bytes of a text to `out`. With `formEscape`, "&" and "+" are written as
// "%26" and "%2B" on the way, so the text survives as one form value.
void appendUtf8(ByteArray& out, std::u16string_view text, bool formEscape = false);

} // namespace waytrace
