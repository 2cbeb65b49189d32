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

// Letters, roughly: ASCII ones and the alphabets and scripts beyond Latin-1's symbols, less the
// punctuation, arrows, lines and shapes that fill a page's empty choices ("---------", "———").
bool isLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
           (c >= 0x00C0 && c != 0x00D7 && c != 0x00F7 && !(c >= 0x2000 && c <= 0x2BFF) &&
            !(c >= 0x3000 && c <= 0x303F) && !(c >= 0xFF00 && c <= 0xFF20) &&
            !(c >= 0xD800 && c <= 0xDFFF));
}

// A phrase tells a page only by its words: three letters at least.
bool saysSomething(std::u16string_view phrase)
{
    return std::count_if(phrase.begin(), phrase.end(), isLetter) >= 3;
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
        if (phrase.size() >= kShortest && saysSomething(phrase) && !shownBy(neighbours, phrase) &&
            replayText.find(phrase) != std::u16string_view::npos)
            return std::u16string(phrase);
    }
    return {};
}

} // namespace waytrace
