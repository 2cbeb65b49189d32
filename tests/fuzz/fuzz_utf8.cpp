// UTF-8 of any UTF-16 text: always well-formed, and the same as the code units say.

#include "fuzz_input.h"

#include "output/utf8.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const auto text = input.text();
    const auto bytes = waytrace::toUtf8(text);
    if (!isValidUtf8(bytes.data(), bytes.size()))
        std::abort();

    // Unit by unit, a pair as four bytes and everything else as unitToUtf8 writes it.
    std::size_t expected = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        expected += pair ? 4 : waytrace::unitToUtf8(text[i]).size;
        i += pair;
    }
    if (bytes.size() != expected)
        std::abort();

    waytrace::ByteArray escaped;
    waytrace::appendUtf8(escaped, text, true);
    for (auto b : escaped)
        if (b == '&' || b == '+')
            std::abort();
    return 0;
}
