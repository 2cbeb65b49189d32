#include "text_replace.h"

namespace waytrace {

std::u16string replaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to)
{
    std::u16string result;
    if (from.empty())
        return std::u16string(text);
    result.reserve(text.size());
    std::size_t start = 0;
    for (auto hit = text.find(from); hit != std::u16string_view::npos;
         hit = text.find(from, start)) {
        result.append(text.substr(start, hit - start));
        result.append(to);
        start = hit + from.size();
    }
    result.append(text.substr(start));
    return result;
}

} // namespace waytrace
