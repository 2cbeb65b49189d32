#include "response_condition.h"

#include <array>
#include <cstddef>
#include <utility>

namespace waytrace {

namespace {

struct LanguageWords
{
    InterfaceLanguage language;
    std::array<std::u16string_view, 3> words; // in the order of CodeCondition
};

// Generated from the string table at configure time: kLanguageWords, one entry a language.
#include "generated/condition_words.inc"

} // namespace

std::u16string_view conditionWords(CodeCondition comparison, InterfaceLanguage language)
{
    for (const LanguageWords& entry : kLanguageWords)
        if (entry.language == language)
            return entry.words.at(static_cast<std::size_t>(comparison));
    return kLanguageWords[0].words.at(static_cast<std::size_t>(comparison));
}

std::u16string_view conditionWords(const ResponseCondition& condition)
{
    if (condition.unread)
        return *condition.unread;
    return conditionWords(condition.comparison, condition.language);
}

ResponseCondition readResponseCondition(std::u16string_view words)
{
    for (const LanguageWords& entry : kLanguageWords)
        for (std::size_t i = 0; i < entry.words.size(); ++i)
            if (entry.words[i] == words)
                return {static_cast<CodeCondition>(i), entry.language, std::nullopt};
    return {CodeCondition::GreaterThan, InterfaceLanguage::English, std::u16string(words)};
}

} // namespace waytrace
