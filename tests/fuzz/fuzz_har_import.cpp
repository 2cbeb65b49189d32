// The HAR import on any bytes: a fault or records, each a step the recorder could have made,
// with every entry it passed over counted and every inexact body naming a step it made.

#include "files/har_import.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto result = waytrace::importHar(bytes, QStringLiteral("http://help.test/"));
    const auto* har = std::get_if<waytrace::HarImport>(&result);
    if (!har)
        return 0;
    if (har->notPages < 0 || har->redirectFollowUps < 0 || har->notWeb < 0 || har->broken < 0)
        std::abort();
    for (const auto& record : har->records)
        if (!record || !(record->urlAddress.starts_with(u"http://") ||
                         record->urlAddress.starts_with(u"https://")))
            std::abort();
    for (const int step : har->inexactBodies)
        if (step < 1 || static_cast<std::size_t>(step) > har->records.size() ||
            har->records[static_cast<std::size_t>(step) - 1]->method != waytrace::HttpMethod::Post)
            std::abort();
    return 0;
}
