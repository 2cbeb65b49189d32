#include "html_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace waytrace {

namespace {

constexpr char16_t lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

constexpr bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0xa0;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Case-insensitive: whether `text` at `at` starts with the ASCII `word`.
bool startsAt(std::u16string_view text, std::size_t at, std::u16string_view word)
{
    if (at + word.size() > text.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[at + i]) != word[i])
            return false;
    return true;
}

// Where `word` next starts, case-insensitively, from `at`; npos for nowhere.
std::size_t findWord(std::u16string_view text, std::u16string_view word, std::size_t at)
{
    for (; at + word.size() <= text.size(); ++at)
        if (startsAt(text, at, word))
            return at;
    return std::u16string_view::npos;
}

void appendCodePoint(std::u16string& out, std::uint32_t code)
{
    if (code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
        out += u'\ufffd';
    } else if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xd800 + (code >> 10));
        out += static_cast<char16_t>(0xdc00 + (code & 0x3ff));
    } else {
        out += static_cast<char16_t>(code);
    }
}

// The entities a page's text and attributes commonly hold; others stay as written.
std::u16string decodeEntities(std::u16string_view text)
{
    static constexpr std::array<std::pair<std::u16string_view, char16_t>, 6> kNamed{
        {{u"amp;", u'&'},
         {u"lt;", u'<'},
         {u"gt;", u'>'},
         {u"quot;", u'"'},
         {u"apos;", u'\''},
         {u"nbsp;", u' '}}};
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        if (i + 2 < text.size() && text[i + 1] == u'#') {
            const bool hex = lower(text[i + 2]) == u'x';
            std::size_t at = i + (hex ? 3 : 2);
            std::uint32_t code = 0;
            std::size_t digits = 0;
            for (; at < text.size() && digits < 8; ++at, ++digits) {
                const int digit =
                    hex ? hexValue(text[at])
                        : (text[at] >= u'0' && text[at] <= u'9' ? text[at] - u'0' : -1);
                if (digit < 0)
                    break;
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (digits > 0) {
                appendCodePoint(out, code);
                i = (at < text.size() && text[at] == u';') ? at : at - 1;
                continue;
            }
        }
        const auto named = std::find_if(kNamed.begin(), kNamed.end(), [&](const auto& entity) {
            return text.substr(i + 1, entity.first.size()) == entity.first;
        });
        if (named != kNamed.end()) {
            out += named->second;
            i += named->first.size();
        } else {
            out += u'&';
        }
    }
    return out;
}

std::u16string collapsed(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    bool space = false;
    for (const char16_t c : text) {
        if (isSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space)
            out += u' ';
        space = false;
        out += c;
    }
    return out;
}

// One tag: its name in lower case and its attributes, values entity-decoded.
struct Tag
{
    std::u16string name;
    std::vector<OfferedValue> attributes;
    std::size_t end = 0; // just past the '>'

    [[nodiscard]] std::u16string attribute(std::u16string_view wanted) const
    {
        for (const auto& [key, value] : attributes)
            if (key == wanted)
                return value;
        return {};
    }
};

// The tag that starts at `at` (a '<' followed by a letter).
Tag readTag(std::u16string_view html, std::size_t at)
{
    Tag tag;
    std::size_t i = at + 1;
    while (i < html.size() && !isSpace(html[i]) && html[i] != u'>' && html[i] != u'/')
        tag.name += lower(html[i++]);
    while (i < html.size() && html[i] != u'>') {
        if (isSpace(html[i]) || html[i] == u'/') {
            ++i;
            continue;
        }
        std::u16string key;
        while (i < html.size() && !isSpace(html[i]) && html[i] != u'=' && html[i] != u'>' &&
               html[i] != u'/')
            key += lower(html[i++]);
        while (i < html.size() && isSpace(html[i]))
            ++i;
        std::u16string value;
        if (i < html.size() && html[i] == u'=') {
            ++i;
            while (i < html.size() && isSpace(html[i]))
                ++i;
            if (i < html.size() && (html[i] == u'"' || html[i] == u'\'')) {
                const char16_t quote = html[i++];
                const auto close = html.find(quote, i);
                const auto stop = close == std::u16string_view::npos ? html.size() : close;
                value = decodeEntities(html.substr(i, stop - i));
                i = stop + 1;
            } else {
                const std::size_t start = i;
                while (i < html.size() && !isSpace(html[i]) && html[i] != u'>')
                    ++i;
                value = decodeEntities(html.substr(start, i - start));
            }
        }
        if (!key.empty())
            tag.attributes.push_back({std::move(key), std::move(value)});
        else
            ++i;
    }
    tag.end = std::min(i + 1, html.size());
    return tag;
}

// Calls `each` for every tag of the page, outside comments; the content of script and style
// elements is skipped. `text` gets the text between tags.
template <typename OnTag, typename OnText>
void walk(std::u16string_view html, OnTag&& each, OnText&& text)
{
    std::size_t i = 0;
    while (i < html.size()) {
        const auto open = html.find(u'<', i);
        const auto stop = open == std::u16string_view::npos ? html.size() : open;
        if (stop > i)
            text(html.substr(i, stop - i));
        if (open == std::u16string_view::npos)
            return;
        if (html.substr(open, 4) == u"<!--") {
            const auto close = html.find(u"-->", open + 4);
            i = close == std::u16string_view::npos ? html.size() : close + 3;
            continue;
        }
        const bool letter = open + 1 < html.size() &&
                            ((lower(html[open + 1]) >= u'a' && lower(html[open + 1]) <= u'z') ||
                             html[open + 1] == u'/');
        if (!letter) {
            text(html.substr(open, 1));
            i = open + 1;
            continue;
        }
        const Tag tag = readTag(html, open);
        if (!each(tag))
            return;
        i = tag.end;
        if (tag.name == u"script" || tag.name == u"style" || tag.name == u"title" ||
            tag.name == u"textarea") {
            const std::u16string closing = u"</" + tag.name;
            const auto close = findWord(html, closing, i);
            if (close == std::u16string_view::npos)
                return;
            if (tag.name == u"title" || tag.name == u"textarea")
                each(Tag{u"#text", {{tag.name, decodeEntities(html.substr(i, close - i))}}, 0});
            i = close;
        }
    }
}

// The query of an address, if it has one.
std::u16string_view queryOf(std::u16string_view address)
{
    const auto question = address.find(u'?');
    if (question == std::u16string_view::npos)
        return {};
    auto query = address.substr(question + 1);
    return query.substr(0, query.find(u'#'));
}

} // namespace

std::u16string htmlTitle(std::u16string_view html)
{
    std::u16string title;
    bool found = false;
    walk(
        html,
        [&](const Tag& tag) {
            if (tag.name == u"#text" && tag.attributes.front().name == u"title") {
                title = collapsed(tag.attributes.front().value);
                found = true;
            }
            return !found;
        },
        [](std::u16string_view) {});
    return title;
}

std::u16string visibleText(std::u16string_view html)
{
    std::u16string text;
    bool inHead = false;
    walk(
        html,
        [&](const Tag& tag) {
            if (tag.name == u"head")
                inHead = true;
            else if (tag.name == u"/head" || tag.name == u"body")
                inHead = false;
            else if (tag.name == u"#text" && tag.attributes.front().name == u"textarea")
                text += tag.attributes.front().value + u' ';
            // A tag ends a word: "<td>a</td><td>b</td>" shows two.
            text += u' ';
            return true;
        },
        [&](std::u16string_view piece) {
            if (!inHead)
                text += piece;
        });
    return collapsed(decodeEntities(text));
}

std::vector<OfferedValue> formFields(std::u16string_view encoded)
{
    const auto decode = [](std::u16string_view text) {
        std::u16string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'+') {
                out += u' ';
            } else if (text[i] == u'%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                       hexValue(text[i + 2]) >= 0) {
                out += static_cast<char16_t>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
                i += 2;
            } else {
                out += text[i];
            }
        }
        return out;
    };
    std::vector<OfferedValue> fields;
    std::size_t from = 0;
    while (from < encoded.size()) {
        auto end = encoded.find(u'&', from);
        if (end == std::u16string_view::npos)
            end = encoded.size();
        const auto pair = encoded.substr(from, end - from);
        const auto equals = pair.find(u'=');
        if (!pair.empty())
            fields.push_back(
                {decode(pair.substr(0, equals)),
                 equals == std::u16string_view::npos ? u"" : decode(pair.substr(equals + 1))});
        from = end + 1;
    }
    return fields;
}

std::vector<OfferedValue> offeredValues(std::u16string_view html)
{
    std::vector<OfferedValue> offered;
    const auto addQuery = [&](const std::u16string& address) {
        for (auto& field : formFields(queryOf(address)))
            offered.push_back(std::move(field));
    };
    walk(
        html,
        [&](const Tag& tag) {
            if (tag.name == u"input") {
                std::u16string type = tag.attribute(u"type");
                std::transform(type.begin(), type.end(), type.begin(), lower);
                const auto name = tag.attribute(u"name");
                if (type == u"hidden" && !name.empty())
                    offered.push_back({name, tag.attribute(u"value")});
            } else if (tag.name == u"a" || tag.name == u"area") {
                addQuery(tag.attribute(u"href"));
            } else if (tag.name == u"form") {
                addQuery(tag.attribute(u"action"));
            } else if (tag.name == u"button") {
                addQuery(tag.attribute(u"formaction"));
            }
            return true;
        },
        [](std::u16string_view) {});
    return offered;
}

} // namespace waytrace
