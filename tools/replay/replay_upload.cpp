#include "replay_upload.h"

#include "platform/upload_channel.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <optional>

namespace waytrace {

QString uploadThroughChannel(const UploadRequest& request)
{
    // Qt Network wants an application object; the tool has none otherwise.
    std::optional<QCoreApplication> app;
    static int argc = 1;
    static char name[] = "waytrace-replay";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        app.emplace(argc, argv);

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
