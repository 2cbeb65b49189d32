#pragma once

// What a trial run of a recorded URL concludes, read as the control panel's labels say, and which
// recorded form fields are likely to be stale when the monitor replays them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace waytrace {

// The response-code condition a record holds, whatever the language it was picked in.
enum class CodeCondition
{
    GreaterThan,
    EqualTo,
    NotEqualTo
};

// For each alert condition, whether it would fire; nothing where the condition is not set.
struct ConditionVerdict
{
    std::optional<bool> requiredKeywords;  // fires when the keywords are not found
    std::optional<bool> forbiddenKeywords; // fires when the keywords are found
    std::optional<bool> responseCondition; // fires when the status compares as the condition
};

// `body` is the response text, decoded with its declared charset. Keywords are one phrase,
// searched case-sensitively. An unknown condition counts as not set.
ConditionVerdict judgeResponse(int status, std::u16string_view body,
                               std::u16string_view requiredKeywords,
                               std::u16string_view forbiddenKeywords,
                               std::optional<CodeCondition> condition, int code);

// A form field whose recorded value will likely be refused when replayed.
struct StaleField
{
    std::u16string name;
    enum class Reason
    {
        TokenName,   // named like a per-visit token (csrf, nonce, __VIEWSTATE, ...)
        RandomValue, // 16 or more characters of base64 or hex that look random
    } reason;
};

// The fields of a recorded urlencoded body (the record's querystring, "%" written as "%25")
// that are likely per-visit values. Other bodies give none.
std::vector<StaleField> staleFields(std::u16string_view querystring);

} // namespace waytrace
