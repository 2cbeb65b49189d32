#include "check_suggestion.h"

#include <algorithm>

namespace waytrace {

namespace {

// At most kSuggestedLength characters, ending where a word does.
std::u16string_view phraseOf(std::u16string_view text)
{
    if (text.size() <= kSuggestedLength)
        return text;
    const auto cut = text.substr(0, kSuggestedLength + 1).find_last_of(u' ');
    return text.substr(0, cut == std::u16string_view::npos || cut == 0 ? kSuggestedLength : cut);
}

bool shownBy(const std::vector<const SeenPage*>& pages, std::u16string_view phrase)
{
    return std::any_of(pages.begin(), pages.end(), [&](const SeenPage* page) {
        return page->title.find(phrase) != std::u16string::npos ||
               std::any_of(page->lines.begin(), page->lines.end(), [&](const auto& line) {
                   return line.find(phrase) != std::u16string::npos;
               });
    });
}

} // namespace

std::u16string suggestedCheck(const SeenPage& seen, const std::vector<const SeenPage*>& neighbours,
                              std::u16string_view replayText)
{
    // A phrase this short says nothing of a page ("OK", a number).
    constexpr std::size_t kShortest = 4;
    std::vector<std::u16string_view> candidates{seen.title};
    candidates.insert(candidates.end(), seen.lines.begin(), seen.lines.end());
    for (const auto candidate : candidates) {
        const auto phrase = phraseOf(candidate);
        if (phrase.size() >= kShortest && !shownBy(neighbours, phrase) &&
            replayText.find(phrase) != std::u16string_view::npos)
            return std::u16string(phrase);
    }
    return {};
}

} // namespace waytrace
