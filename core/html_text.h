#pragma once

// Reading what a page shows and offers out of its HTML, without a browser: the title, the
// visible text, and the values its forms and links would send. Enough to compare two answers;
// not a parser for rendering.

#include <string>
#include <string_view>
#include <vector>

namespace waytrace {

// The text of the first <title>, entities decoded, white space collapsed.
std::u16string htmlTitle(std::u16string_view html);

// The text between the tags outside <script>, <style>, <head> and comments, entities decoded,
// white space collapsed.
std::u16string visibleText(std::u16string_view html);

// A value a page offers for a later request to send.
struct OfferedValue
{
    std::u16string name;
    std::u16string value;
};

// The hidden inputs of the page's forms, and the query values of its links and form actions.
// Inputs the user fills are left out: what a user typed is theirs, not the page's.
std::vector<OfferedValue> offeredValues(std::u16string_view html);

// The name and value pairs of a query string or urlencoded body, each decoded ("+" a space,
// "%XX" a byte as one character).
std::vector<OfferedValue> formFields(std::u16string_view encoded);

} // namespace waytrace
