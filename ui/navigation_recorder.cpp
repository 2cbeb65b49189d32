#include "navigation_recorder.h"

#include "core/recording_rule.h"

#include <span>

namespace waytrace {

bool recordNavigation(UrlSequence& sequence, const QString& helpUrl, const QString& url,
                      const QString& headers, const QByteArray& postData)
{
    const auto address = url.toStdU16String();
    const auto headerText = headers.toStdU16String();
    const auto help = helpUrl.toStdU16String();
    const Navigation navigation{
        address, headerText,
        std::span(reinterpret_cast<const std::uint8_t*>(postData.constData()),
                  static_cast<std::size_t>(postData.size()))};
    return applyRecordingRule(navigation, help, sequence).cancel;
}

} // namespace waytrace
