// From an answer to the outcome the user is told: a redirect is followed only within the
// origin and never to an address already visited; only a whole 2xx answer can clear the
// sequence; every other answer tells the user something.

#include "fuzz_qt_input.h"

#include "network/origin.h"
#include "network/upload_landing.h"
#include "output/upload_outcome.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const auto settings = qtBytes(input);
    const auto requestUrl = qtText(input);
    waytrace::UploadAnswer answer;
    answer.broken = !settings.isEmpty() && (settings[0] & 1);
    answer.status = settings.size() < 3 ? 200
                                        : static_cast<unsigned char>(settings[1]) * 256 +
                                              static_cast<unsigned char>(settings[2]);
    answer.finalUrl = QUrl(qtText(input));
    answer.location = qtBytes(input);
    const auto port = qtText(input);

    QSet<QUrl> visited{QUrl(requestUrl), answer.finalUrl.adjusted(QUrl::RemoveFragment)};
    if (const auto next = waytrace::redirectTarget(answer.finalUrl, answer, visited)) {
        if (answer.broken || !waytrace::sameOrigin(answer.finalUrl, *next) ||
            visited.contains(*next) || answer.status < 301 || answer.status > 308)
            std::abort();
    }

    const auto landing = waytrace::landingAddress(requestUrl, answer);
    const bool whole2xx = !answer.broken && answer.status >= 200 && answer.status < 300;
    if (!whole2xx && !landing.startsWith(QLatin1String("res://waytrace/")))
        std::abort();
    // The completion event names the landing address, as the channel raises it.
    const auto outcome = waytrace::classifyUploadOutcome(
        landing.toStdU16String(), landing.toStdU16String(), port.toStdU16String());
    if (outcome.clearSequence && !whole2xx)
        std::abort();
    if (!outcome.message && landing != QLatin1String("http:///"))
        std::abort();
    if (answer.broken && outcome.message != waytrace::kMessageCannotConnect &&
        !landing.contains(QLatin1String("http_40")))
        std::abort();
    return 0;
}
