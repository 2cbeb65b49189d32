#pragma once

// Reading what a page shows and offers out of its HTML, without a browser, by an HTML5 parser:
// the title, the visible text, and the values its forms and links would send. Enough to compare
// two answers; not a renderer.

#include <string>
#include <string_view>
#include <vector>

namespace waytrace {

// A value a page offers for a later request to send.
struct OfferedValue
{
    std::u16string name;
    std::u16string value;
    // Where it goes, as the page wrote it: the action of the hidden input's form, the address of
    // the link or action whose query holds it. Empty for a form without an action (it posts to
    // the page itself) and for fields read from a query or body.
    std::u16string target;
    // A hidden input's, rather than a value in an address's query.
    bool hidden = false;

    friend bool operator==(const OfferedValue&, const OfferedValue&) = default;
};

// A page read once: everything the comparisons and the stale-value checks need of it.
struct HtmlReading
{
    // The first <title>'s text, references decoded, white space collapsed.
    std::u16string title;
    // The text a reader sees: outside the head, scripts, styles, templates and noscript, one line
    // a block (paragraph, heading, list item, table row...), white space collapsed in each.
    std::u16string text;
    // The hidden inputs of the page's forms, and the query values of its links and form actions.
    // Inputs the user fills are left out: what a user typed is theirs, not the page's.
    std::vector<OfferedValue> offered;
};

HtmlReading readHtml(std::u16string_view html);

} // namespace waytrace
