#include "html_text.h"

#include "sent_fields.h"

#include <gumbo.h>

#include <cstdint>
#include <utility>

namespace waytrace {

namespace {

// The parser reads UTF-8; a lone surrogate becomes U+FFFD, as a decoder would have made it.
std::string utf8Of(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xd800 && code <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 &&
            text[i + 1] <= 0xdfff)
            code = 0x10000 + ((code - 0xd800) << 10) + (text[++i] - 0xdc00);
        else if (code >= 0xd800 && code <= 0xdfff)
            code = 0xfffd;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xc0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xe0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (code & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (code & 0x3f));
        }
    }
    return out;
}

// What the parser hands back is valid UTF-8: it replaced whatever was not.
void appendUtf16(std::u16string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
        std::uint32_t code = length == 1   ? lead
                             : length == 2 ? lead & 0x1fU
                             : length == 3 ? lead & 0x0fU
                                           : lead & 0x07U;
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3fU);
        i += static_cast<std::size_t>(length);
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xd800 + (code >> 10));
            out += static_cast<char16_t>(0xdc00 + (code & 0x3ff));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
}

std::u16string utf16Of(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    appendUtf16(out, text);
    return out;
}

constexpr bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0xa0;
}

// Text as a reader sees it: runs of white space as one space, blocks on lines of their own.
class TextLines
{
public:
    void add(std::string_view utf8)
    {
        piece_.clear();
        appendUtf16(piece_, utf8);
        for (const char16_t c : piece_) {
            if (isSpace(c)) {
                space_ = true;
                continue;
            }
            if (line_ && !out_.empty())
                out_ += u'\n';
            else if (space_ && !out_.empty() && out_.back() != u'\n')
                out_ += u' ';
            line_ = space_ = false;
            out_ += c;
        }
    }
    // An element's edge ends a word: "<td>a</td><td>b</td>" shows two.
    void wordBreak() { space_ = true; }
    void lineBreak() { line_ = true; }
    std::u16string take() { return std::move(out_); }

private:
    std::u16string out_;
    std::u16string piece_;
    bool space_ = false;
    bool line_ = false;
};

bool isBlock(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_P:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_UL:
        return true;
    default:
        return false;
    }
}

// Elements whose content no reader sees, nor sends: it is code, style, inert or for browsers
// without scripts.
bool isUnseen(GumboTag tag)
{
    return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_NOSCRIPT ||
           tag == GUMBO_TAG_TEMPLATE || tag == GUMBO_TAG_HEAD;
}

std::string_view attribute(const GumboElement& element, const char* name)
{
    const GumboAttribute* found = gumbo_get_attribute(&element.attributes, name);
    return found ? std::string_view(found->value) : std::string_view();
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
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

class Reader
{
public:
    explicit Reader(HtmlReading& reading) : reading_(reading) {}

    // Depth first without recursion: a hostile page may nest elements thousands deep.
    void read(const GumboNode* root)
    {
        struct Visit
        {
            const GumboNode* node;
            unsigned next = 0; // the next child to visit
        };
        std::vector<Visit> stack{{root}};
        enter(*root);
        while (!stack.empty()) {
            Visit& visit = stack.back();
            const GumboVector* children = childrenOf(*visit.node);
            if (children && visit.next < children->length && !skipped(*visit.node)) {
                const auto* child = static_cast<const GumboNode*>(children->data[visit.next++]);
                enter(*child);
                stack.push_back({child});
                continue;
            }
            leave(*visit.node);
            stack.pop_back();
        }
        reading_.text = text_.take();
    }

private:
    static const GumboVector* childrenOf(const GumboNode& node)
    {
        if (node.type == GUMBO_NODE_DOCUMENT)
            return &node.v.document.children;
        if (node.type == GUMBO_NODE_ELEMENT)
            return &node.v.element.children;
        return nullptr;
    }

    // A title's text is read whole on entering it; what no one sees is not gone into.
    static bool skipped(const GumboNode& node)
    {
        return node.type == GUMBO_NODE_ELEMENT &&
               (node.v.element.tag == GUMBO_TAG_TITLE || isUnseen(node.v.element.tag)) &&
               node.v.element.tag != GUMBO_TAG_HEAD;
    }

    void enter(const GumboNode& node)
    {
        switch (node.type) {
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
            if (unseen_ == 0)
                text_.add(node.v.text.text);
            return;
        case GUMBO_NODE_WHITESPACE:
            text_.wordBreak();
            return;
        case GUMBO_NODE_ELEMENT:
            break;
        default:
            return;
        }
        const GumboElement& element = node.v.element;
        if (element.tag == GUMBO_TAG_HEAD)
            ++unseen_;
        if (element.tag == GUMBO_TAG_TITLE && !titled_) {
            titled_ = true;
            TextLines title;
            for (unsigned i = 0; i < element.children.length; ++i) {
                const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
                if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE)
                    title.add(child->v.text.text);
            }
            reading_.title = title.take();
        }
        if (isBlock(element.tag))
            text_.lineBreak();
        else
            text_.wordBreak();
        if (element.tag == GUMBO_TAG_FORM)
            forms_.push_back(utf16Of(attribute(element, "action")));
        if ((unseen_ > 0 && element.tag != GUMBO_TAG_HEAD) || skipped(node))
            return;
        offer(element);
    }

    void leave(const GumboNode& node)
    {
        if (node.type != GUMBO_NODE_ELEMENT)
            return;
        const GumboElement& element = node.v.element;
        if (element.tag == GUMBO_TAG_HEAD)
            --unseen_;
        if (element.tag == GUMBO_TAG_FORM)
            forms_.pop_back();
        if (isBlock(element.tag))
            text_.lineBreak();
        else
            text_.wordBreak();
    }

    void offer(const GumboElement& element)
    {
        switch (element.tag) {
        case GUMBO_TAG_FORM:
            offerQuery(forms_.back());
            break;
        case GUMBO_TAG_INPUT:
            if (lowered(attribute(element, "type")) == "hidden") {
                auto name = utf16Of(attribute(element, "name"));
                if (!name.empty())
                    reading_.offered.push_back({std::move(name),
                                                utf16Of(attribute(element, "value")),
                                                forms_.empty() ? u"" : forms_.back(), true});
            }
            break;
        case GUMBO_TAG_A:
        case GUMBO_TAG_AREA:
            offerQuery(utf16Of(attribute(element, "href")));
            break;
        case GUMBO_TAG_BUTTON:
            offerQuery(utf16Of(attribute(element, "formaction")));
            break;
        default:
            break;
        }
    }

    void offerQuery(const std::u16string& address)
    {
        for (auto& field : formFields(queryOf(address))) {
            field.target = address;
            reading_.offered.push_back(std::move(field));
        }
    }

    HtmlReading& reading_;
    TextLines text_;
    std::vector<std::u16string> forms_; // the actions of the forms the walk is in
    int unseen_ = 0;
    bool titled_ = false;
};

} // namespace

HtmlReading readHtml(std::u16string_view html)
{
    const std::string utf8 = utf8Of(html);
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // the page's faults are not wanted, only its tree
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    HtmlReading reading;
    Reader(reading).read(output->document);
    gumbo_destroy_output(&options, output);
    return reading;
}

} // namespace waytrace
