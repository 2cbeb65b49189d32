// waytrace-replay [--help-url URL] STREAM
// Plays an event stream through the recorder and prints the resulting sequence as JSON.

#include "replay_json.h"
#include "replay_session.h"

#include "waytrace/build_settings.h"

#include <QFile>
#include <QString>

#include <cstdio>

namespace {

constexpr int kUsageExit = 2;

int usage()
{
    std::fputs("usage: waytrace-replay [--help-url URL] STREAM\n", stderr);
    return kUsageExit;
}

int failure(const QString& message)
{
    std::fprintf(stderr, "waytrace-replay: %s\n", message.toLocal8Bit().constData());
    return kUsageExit;
}

} // namespace

int main(int argc, char* argv[])
{
    QString helpUrl = QString::fromStdU16String(waytrace::settings::kHelpUrl);
    QString streamPath;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help-url") && i + 1 < argc)
            helpUrl = QString::fromLocal8Bit(argv[++i]);
        else if (arg.startsWith(QLatin1String("--")) || !streamPath.isEmpty())
            return usage();
        else
            streamPath = arg;
    }
    if (streamPath.isEmpty())
        return usage();

    QFile stream(streamPath);
    if (!stream.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("%1: %2").arg(streamPath, stream.errorString()));

    try {
        waytrace::ReplaySession session(helpUrl);
        for (const auto& event : waytrace::readEventStream(stream))
            session.apply(event);
        const auto json = waytrace::replayJson(session.cancelled(), session.sequence());
        std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
    } catch (const waytrace::EventStreamError& error) {
        return failure(QStringLiteral("%1: %2").arg(streamPath, QString::fromUtf8(error.what())));
    }
    return 0;
}
