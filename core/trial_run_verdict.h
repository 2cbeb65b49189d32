#pragma once

// What a trial run of a recorded URL concludes, read as the control panel's labels say, and which
// recorded form fields are likely to be stale when the monitor replays them.

#include "html_text.h"
#include "response_condition.h"
#include "sent_fields.h"
#include "url_record.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace waytrace {

// For each alert condition, whether it would fire; nothing where the condition is not set.
struct ConditionVerdict
{
    std::optional<bool> requiredKeywords;  // fires when the keywords are not found
    std::optional<bool> forbiddenKeywords; // fires when the keywords are found
    std::optional<bool> responseCondition; // fires when the status compares as the condition
};

// Whether one phrase occurs in a text handed over in pieces of any size: an occurrence across
// two pieces counts. Works on the text's bytes, `unit` bytes a code unit (1 for UTF-8 and
// single-byte charsets, 2 for UTF-16 in the machine's byte order), and only counts occurrences
// that start at a whole code unit. Holds only the phrase's length of the text. An empty phrase is
// never found.
class PhraseScan
{
public:
    explicit PhraseScan(std::string phrase, std::size_t unit = 1);

    // `piece` holds whole code units.
    void feed(std::string_view piece);
    [[nodiscard]] bool found() const { return found_; }
    [[nodiscard]] bool wanted() const { return !phrase_.empty(); }

private:
    [[nodiscard]] bool occursIn(std::string_view text) const;

    std::string phrase_;
    std::size_t unit_;
    std::string carried_; // the end of the text so far, shorter than the phrase
    bool found_ = false;
};

// The bytes of UTF-16 text as a PhraseScan with unit 2 reads them.
std::string unitBytes(std::u16string_view text);

// Judges an answer read as it arrives: the response text goes to feed() piece by piece, in the
// bytes the keywords were given in; the verdict needs the status only. Keywords are one phrase,
// searched case-sensitively. An unknown condition counts as not set.
class ResponseJudge
{
public:
    ResponseJudge(std::string requiredKeywords, std::string forbiddenKeywords,
                  std::size_t unit = 1);

    void feed(std::string_view piece);
    // Whether reading further could change the verdict.
    [[nodiscard]] bool searching() const;
    [[nodiscard]] ConditionVerdict verdict(int status, std::optional<CodeCondition> condition,
                                           int code) const;

private:
    PhraseScan required_;
    PhraseScan forbidden_;
};

// The same for a whole answer at once.
ConditionVerdict judgeResponse(int status, std::u16string_view body,
                               std::u16string_view requiredKeywords,
                               std::u16string_view forbiddenKeywords,
                               std::optional<CodeCondition> condition, int code);

// A field a step sends (in its address's query or its body, of any kind) whose recorded value
// will likely be refused when replayed.
struct StaleField
{
    std::u16string name;
    enum class Reason
    {
        TokenName,   // named like a per-visit value (csrf, nonce, sectok, session, date, ...)
        RandomValue, // looks random (16 or more base64 characters, 10 or more hex digits) or
                     // like a time stamp
        LiveValue,   // the pages of a replay offer it with another value
    } reason;
    // What it is: a token (its name or its value's shape says so), or anything else a page
    // hands out anew on each visit (a hash of the text being edited, say).
    enum class Kind
    {
        Token,
        ChangesPerVisit,
    } kind = Kind::Token;
    // For LiveValue: the value recorded, the one offered now, and the index of the step whose
    // answer did (none for a value no page of the run offers).
    std::u16string recorded;
    std::u16string live;
    std::optional<std::size_t> offeredBy;
};

// `reference` (a link's or form's address as a page wrote it) made absolute against the address
// of the page; enough for telling which address a value goes to, not a full URL resolver.
std::u16string resolvedAddress(std::u16string_view base, std::u16string_view reference);

// Whether a field's name or value looks like one that changes per visit.
bool isPerVisitValue(std::u16string_view name, std::u16string_view value);

// Before a run: the fields a record sends that look like per-visit values, by their names and
// values.
std::vector<StaleField> staleFields(const UrlRecord& record);

// During a run: the values the answers so far offer for later requests (hidden inputs, link
// and form-action queries), the newest page's for each name. A field sent with another value
// than a page now offers is stale for certain; one offered with the recorded value is left
// alone; a token no page offers is stale by its name or shape.
class LiveValues
{
public:
    // What the page at `address` (where the answer landed) offers, the answer of the step at
    // `index` in the sequence.
    void offer(std::size_t index, const HtmlReading& page, std::u16string_view address);
    [[nodiscard]] std::vector<StaleField> staleIn(const UrlRecord& record) const;

private:
    struct Offer
    {
        std::u16string name;
        std::u16string value;
        std::u16string target;
        std::size_t step = 0; // its index
        bool hidden = false;
    };
    // The value offered for `name` to `address`: where the newest page offers several, that of
    // the form or link that goes there.
    [[nodiscard]] const Offer* offerFor(const std::u16string& name,
                                        std::u16string_view address) const;

    std::vector<Offer> values_;
};

} // namespace waytrace
