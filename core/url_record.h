#pragma once

#include "http_method.h"
#include "response_condition.h"
#include "seen_page.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace waytrace {

// What a file or script written without passwords left out of a record: the passwords and
// form fields are asked for before the step is sent again; the header lines stay out.
struct LeftOutSecrets
{
    bool password = false;                   // the basic-authentication password
    bool addressPassword = false;            // the password in the address's user part
    std::vector<std::u16string> fields;      // form fields, each sent as kLeftOut meanwhile
    std::vector<std::u16string> headerLines; // the names of header lines that are gone

    [[nodiscard]] bool empty() const
    {
        return !password && !addressPassword && fields.empty() && headerLines.empty();
    }
};

// One recorded request. The sequence holds records by shared reference, so the control panel
// and the document builder see one and the same record; nothing copies it. The names the
// document, the replay JSON and the event stream give these fields are written only where those
// are built and read.
struct UrlRecord
{
    std::u16string urlAddress;
    std::u16string displayName; // the label the user gives it
    HttpMethod method = HttpMethod::Get;
    // The request body as recorded: one character per byte, "%" written as "%25".
    std::u16string postBody;
    std::u16string headers; // extra header lines, each ending with CR LF
    // The body is what the page reported of it; the browser never said what it sent (a new
    // window's very first request on some engines, a file's part).
    bool bodyUnconfirmed = false;
    // Where it was recorded: a frame's request rather than its page's, a window the site opened
    // rather than the main one. Only the list tells them apart; the monitor does not.
    bool fromFrame = false;
    bool fromNewWindow = false;
    // Alert when the page lacks these keywords; when it has these.
    std::u16string requiredKeywords;
    std::u16string forbiddenKeywords;
    // Alert when the answer's status compares with `responseCode` as this condition says.
    ResponseCondition responseCondition;
    std::int16_t responseCode = 200;
    // Basic-authentication credentials.
    std::u16string userName;
    std::u16string password;
    // The form fields its page sent from password inputs, as the recorder saw them.
    std::vector<std::u16string> passwordFields;
    LeftOutSecrets leftOut;
    // What the page showed when it was recorded, for the test run to compare with; never sent.
    std::optional<SeenPage> seen;
};

// One of a record's text fields, for code that treats them alike.
using RecordTextField = std::u16string UrlRecord::*;

} // namespace waytrace
