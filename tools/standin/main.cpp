// torvane-standin: a stand-in monitoring server on 127.0.0.1 for trying and testing uploads.

#include "standin_server.h"

#include "waytrace/build_settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

constexpr int kUsageExit = 2;

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Answers URL-sequence uploads on 127.0.0.1 like a Torvane server."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port (0: any free one)."),
                                  QStringLiteral("port"), QStringLiteral("9090"));
    const QCommandLineOption version(
        QStringLiteral("version"), QStringLiteral("Program version accepted."),
        QStringLiteral("version"), QString::fromLatin1(waytrace::settings::kVersion));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User name accepted."),
                                  QStringLiteral("user"), QStringLiteral("admin"));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("Password accepted."),
                                      QStringLiteral("password"), QStringLiteral("admin"));
    const QCommandLineOption limit(QStringLiteral("limit"),
                                   QStringLiteral("Sequences accepted at most."),
                                   QStringLiteral("count"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("File that gets one JSON line per sequence."),
                                 QStringLiteral("file"));
    parser.addOptions({port, version, user, password, limit, log});
    parser.addHelpOption();

    const auto usage = [&parser](const QString& message) {
        std::fprintf(stderr, "torvane-standin: %s\n%s", qPrintable(message),
                     qPrintable(parser.helpText()));
        return kUsageExit;
    };
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    bool ok = false;
    const auto portNumber = parser.value(port).toUShort(&ok);
    if (!ok)
        return usage(QStringLiteral("--port takes a number from 0 to 65535"));
    waytrace::standin::StandinConfig config;
    config.version = parser.value(version);
    config.user = parser.value(user);
    config.password = parser.value(password);
    config.logPath = parser.value(log);
    if (parser.isSet(limit)) {
        const int count = parser.value(limit).toInt(&ok);
        if (!ok || count < 0)
            return usage(QStringLiteral("--limit takes a whole number from 0"));
        config.limit = count;
    }

    waytrace::standin::StandinServer server(config);
    const auto bound = server.listen(portNumber);
    if (bound == 0) {
        std::fprintf(stderr, "torvane-standin: cannot listen on 127.0.0.1:%u\n", portNumber);
        return 1;
    }
    std::printf("torvane-standin listening on http://127.0.0.1:%u/\n", bound);
    std::fflush(stdout);
    return app.exec();
}
