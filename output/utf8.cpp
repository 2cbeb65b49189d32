#include "utf8.h"

#include <cstring>

namespace waytrace {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Writes one code unit that is not part of a pair; returns the byte after it.
char* putUnit(char* out, char16_t unit)
{
    if (unit < 0x80) {
        *out++ = static_cast<char>(unit);
    } else if (unit < 0x800) {
        *out++ = static_cast<char>(0xC0 | (unit >> 6));
        *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            unit = kReplacement;
        *out++ = static_cast<char>(0xE0 | (unit >> 12));
        *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
    return out;
}

// Four ASCII code units at once: the common case of addresses and markup.
bool fourAscii(const char16_t* in)
{
    std::uint64_t block;
    std::memcpy(&block, in, sizeof block);
    return (block & 0xFF80FF80FF80FF80ULL) == 0;
}

} // namespace

Utf8Unit ToUTF8(std::uint16_t UTF16)
{
    Utf8Unit result;
    char buffer[3];
    const auto* end = putUnit(buffer, UTF16);
    result.size = static_cast<std::uint8_t>(end - buffer);
    std::memcpy(result.bytes.data(), buffer, result.size);
    return result;
}

std::string UniStrToUTF8(std::u16string_view UniString)
{
    // Three bytes per code unit is the most any text needs; a pair takes four for two units.
    std::string out(UniString.size() * 3, '\0');
    char* cursor = out.data();
    const char16_t* in = UniString.data();
    const char16_t* const end = in + UniString.size();
    while (in != end) {
        if (end - in >= 4 && fourAscii(in)) {
            cursor[0] = static_cast<char>(in[0]);
            cursor[1] = static_cast<char>(in[1]);
            cursor[2] = static_cast<char>(in[2]);
            cursor[3] = static_cast<char>(in[3]);
            cursor += 4;
            in += 4;
            continue;
        }
        const char16_t unit = *in++;
        if (isHighSurrogate(unit) && in != end && isLowSurrogate(*in)) {
            const char32_t point = 0x10000 + ((unit - 0xD800) << 10) + (*in++ - 0xDC00);
            *cursor++ = static_cast<char>(0xF0 | (point >> 18));
            *cursor++ = static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            *cursor++ = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            *cursor++ = static_cast<char>(0x80 | (point & 0x3F));
        } else {
            cursor = putUnit(cursor, unit);
        }
    }
    out.resize(static_cast<std::size_t>(cursor - out.data()));
    return out;
}

} // namespace waytrace
