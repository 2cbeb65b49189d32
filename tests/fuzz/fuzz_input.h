#pragma once

// Cuts a fuzzer's input into the pieces a target needs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}

    // The next piece, up to a 0xFF 0xFF separator or the end, read as UTF-16 code units.
    std::u16string text()
    {
        const auto piece = bytes();
        std::u16string text;
        for (std::size_t i = 0; i + 1 < piece.size(); i += 2)
            text.push_back(static_cast<char16_t>(piece[i] | (piece[i + 1] << 8)));
        return text;
    }

    // The next piece as raw bytes.
    std::span<const std::uint8_t> bytes()
    {
        std::size_t end = 0;
        while (end + 1 < rest_.size() && !(rest_[end] == 0xFF && rest_[end + 1] == 0xFF))
            ++end;
        if (end + 1 >= rest_.size())
            end = rest_.size();
        const auto piece = rest_.first(end);
        rest_ = rest_.subspan(std::min(rest_.size(), end + 2));
        return piece;
    }

    [[nodiscard]] bool empty() const { return rest_.empty(); }

private:
    std::span<const std::uint8_t> rest_;
};

// Whether bytes are well-formed UTF-8 (no surrogates, no overlong forms).
inline bool isValidUtf8(const std::uint8_t* p, std::size_t n)
{
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        std::size_t length = b < 0x80           ? 1
                             : (b >> 5) == 0x6  ? 2
                             : (b >> 4) == 0xE  ? 3
                             : (b >> 3) == 0x1E ? 4
                                                : 0;
        if (length == 0 || i + length > n)
            return false;
        char32_t point = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (p[i + k] & 0x3F);
        }
        const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < minimum[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}
