#include "utf8.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
std::uint8_t* putUnit(std::uint8_t* out, char16_t unit)
{
    if (unit < 0x80) {
        *out++ = static_cast<std::uint8_t>(unit);
    } else if (unit < 0x800) {
        *out++ = static_cast<std::uint8_t>(0xC0 | (unit >> 6));
        *out++ = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
    } else {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            unit = kReplacement;
        *out++ = static_cast<std::uint8_t>(0xE0 | (unit >> 12));
        *out++ = static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F));
        *out++ = static_cast<std::uint8_t>(0x80 | (unit & 0x3F));
    }
    return out;
}

// Copies the leading run of plain ASCII (no "&" or "+" when escaping) a block at a time; returns
// how many code units it took. Addresses and markup are almost all such runs.
template <bool FormEscape>
std::size_t copyAsciiRun(const char16_t* in, std::size_t count, std::uint8_t* out)
{
    std::size_t done = 0;
#ifdef __SSE2__
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i ampersand = _mm_set1_epi16('&');
    const __m128i plus = _mm_set1_epi16('+');
    while (count - done >= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 8));
        __m128i stop = _mm_and_si128(_mm_or_si128(a, b), nonAscii);
        stop = _mm_cmpeq_epi16(stop, _mm_setzero_si128()); // all ones where ASCII
        int mask = _mm_movemask_epi8(stop);
        if constexpr (FormEscape) {
            const __m128i special =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(a, ampersand), _mm_cmpeq_epi16(a, plus)),
                             _mm_or_si128(_mm_cmpeq_epi16(b, ampersand), _mm_cmpeq_epi16(b, plus)));
            mask &= ~_mm_movemask_epi8(special);
        }
        if (mask != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), _mm_packus_epi16(a, b));
        done += 16;
    }
#endif
    while (done < count) {
        const char16_t unit = in[done];
        if (unit >= 0x80 || (FormEscape && (unit == u'&' || unit == u'+')))
            break;
        out[done++] = static_cast<std::uint8_t>(unit);
    }
    return done;
}

template <bool FormEscape> std::uint8_t* encode(std::u16string_view text, std::uint8_t* out)
{
    const char16_t* in = text.data();
    const char16_t* const end = in + text.size();
    while (in != end) {
        const char16_t unit = *in;
        const bool escaped = FormEscape && (unit == u'&' || unit == u'+');
        if (unit < 0x80 && !escaped) {
            // Only worth a block attempt where ASCII starts; CJK text stays in the loop below.
            const auto run = copyAsciiRun<FormEscape>(in, static_cast<std::size_t>(end - in), out);
            in += run;
            out += run;
            continue;
        }
        ++in;
        if (escaped) {
            // Three bytes into a byte array, not a C string.
            // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
            std::memcpy(out, unit == u'&' ? "%26" : "%2B", 3);
            out += 3;
        } else if (isHighSurrogate(unit) && in != end && isLowSurrogate(*in)) {
            const char32_t point = 0x10000 + ((unit - 0xD800) << 10) + (*in++ - 0xDC00);
            *out++ = static_cast<std::uint8_t>(0xF0 | (point >> 18));
            *out++ = static_cast<std::uint8_t>(0x80 | ((point >> 12) & 0x3F));
            *out++ = static_cast<std::uint8_t>(0x80 | ((point >> 6) & 0x3F));
            *out++ = static_cast<std::uint8_t>(0x80 | (point & 0x3F));
        } else {
            out = putUnit(out, unit);
        }
    }
    return out;
}

} // namespace

Utf8Unit unitToUtf8(std::uint16_t unit)
{
    Utf8Unit result;
    const auto* end = putUnit(result.bytes.data(), unit);
    result.size = static_cast<std::uint8_t>(end - result.bytes.data());
    return result;
}

void appendUtf8(ByteArray& out, std::u16string_view text, bool formEscape)
{
    // Three bytes per code unit is the most any unit needs: a pair takes four for two units,
    // an escaped "&" or "+" three for one.
    const auto start = out.size();
    out.resize(start + text.size() * 3);
    auto* first = out.data() + start;
    auto* last = formEscape ? encode<true>(text, first) : encode<false>(text, first);
    out.resize(start + static_cast<std::size_t>(last - first));
}

ByteArray toUtf8(std::u16string_view text16)
{
    ByteArray out;
    appendUtf8(out, text16);
    return out;
}

} // namespace waytrace
