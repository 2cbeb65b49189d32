#include "navigation_recorder.h"

#include "core/recording_rule.h"

#include <QUrl>

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

RecordRef storeCredentials(UrlSequence& sequence, const QString& url, const QString& userName,
                           const QString& password)
{
    const QUrl address = QUrl(url).adjusted(QUrl::RemoveFragment);
    for (auto position = sequence.count(); position > 0; --position) {
        const RecordRef record = sequence.at(position);
        if (record &&
            QUrl(QString::fromStdU16String(record->urladdress)).adjusted(QUrl::RemoveFragment) ==
                address) {
            record->username = userName.toStdU16String();
            record->password = password.toStdU16String();
            return record;
        }
    }
    return nullptr;
}

} // namespace waytrace
