#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace waytrace {

// How the answer's status is compared with the record's code.
enum class CodeCondition
{
    GreaterThan,
    EqualTo,
    NotEqualTo
};

// The interface languages, by the Windows language ids that key the string table.
enum class InterfaceLanguage
{
    English = 1033,
    Japanese = 1041,
    SimplifiedChinese = 2052
};

// A record's response-code condition. The document, sequence files and streams write it in the
// words of the language it was picked in, so one condition reads differently under different
// languages; a new record's starts in English.
struct ResponseCondition
{
    CodeCondition comparison = CodeCondition::GreaterThan;
    InterfaceLanguage language = InterfaceLanguage::English;
    // Words a file or stream held that name no comparison in any language, written back as
    // read; the test run counts such a condition as not set.
    std::optional<std::u16string> unread;

    // The comparison, or nothing where the words were not understood.
    [[nodiscard]] std::optional<CodeCondition> known() const
    {
        return unread ? std::nullopt : std::optional(comparison);
    }
    bool operator==(const ResponseCondition&) const = default;
};

// The words the formats write and the panel shows for a condition.
[[nodiscard]] std::u16string_view conditionWords(CodeCondition comparison,
                                                 InterfaceLanguage language);
[[nodiscard]] std::u16string_view conditionWords(const ResponseCondition& condition);

// The condition written in any language's words; words of none are kept as unread.
[[nodiscard]] ResponseCondition readResponseCondition(std::u16string_view words);

} // namespace waytrace
