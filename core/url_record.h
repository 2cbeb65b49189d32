#pragma once

#include <cstdint>
#include <string>

namespace waytrace {

// One recorded request. The sequence holds records by shared reference, so the control panel
// and the document builder see one and the same record; nothing copies it. The names the
// document and the event stream give these fields are written where those are built and read.
struct UrlRecord
{
    std::u16string urlAddress;
    std::u16string displayName;
    std::u16string url; // declared but never read or written by the system
    std::u16string httpMethod = u"G";
    std::u16string queryString;
    std::u16string headers;
    std::u16string matchContent;
    std::u16string unavailabilityString;
    // Starts in English whatever the interface language; a pick in the panel stores the item's
    // text in the interface language.
    std::u16string httpCondition = u"Greater than";
    std::int16_t httpValue = 200;
    std::u16string userName;
    std::u16string password;
};

} // namespace waytrace
