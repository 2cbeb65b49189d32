#include "replay_upload.h"

#include "network/upload_channel.h"

#include <QEventLoop>

namespace waytrace {

QString uploadThroughChannel(const UploadRequest& request)
{
    UploadChannel channel;
    QString landing;
    QEventLoop loop;
    QObject::connect(&channel, &UploadChannel::landed, &loop, [&](const QString& address) {
        landing = address;
        loop.quit();
    });
    const QByteArray body(reinterpret_cast<const char*>(request.body.data()),
                          static_cast<qsizetype>(request.body.size()));
    channel.post(QString::fromStdU16String(request.address), body,
                 QString::fromStdU16String(request.headers));
    loop.exec();
    return landing;
}

} // namespace waytrace
