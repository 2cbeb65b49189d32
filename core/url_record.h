#pragma once

#include <cstdint>
#include <string>

namespace waytrace {

// One recorded request. The sequence holds records by shared reference, so the control panel
// and the document builder see one and the same record; nothing copies it.
struct UrlRecord
{
    std::u16string urladdress;
    std::u16string displayname;
    std::u16string url; // declared but never read or written by the system
    std::u16string httpmethod = u"G";
    std::u16string querystring;
    std::u16string headers;
    std::u16string matchcontent;
    std::u16string unavailabilitystring;
    std::u16string httpcondition =
        u"Greater than"; // fixed English, whatever the interface language
    std::int16_t httpvalue = 200;
    std::u16string username;
    std::u16string password;
};

} // namespace waytrace
