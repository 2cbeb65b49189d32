#include "tool_arguments.h"

#include <cstdio>
#include <utility>

namespace waytrace::tools {

QStringList commandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

ProgramOptions::ProgramOptions(QString program, QString version, const QString& description)
    : program_(std::move(program)), version_(std::move(version)),
      help_({QStringLiteral("h"), QStringLiteral("help")},
            QStringLiteral("Shows this help and exits.")),
      versionOption_({QStringLiteral("v"), QStringLiteral("version")},
                     QStringLiteral("Shows the version and exits."))
{
    parser_.setApplicationDescription(description);
    parser_.addOptions({help_, versionOption_});
}

QCommandLineOption ProgramOptions::flag(const char* name, const char* description)
{
    QCommandLineOption option(QString::fromLatin1(name), QString::fromLatin1(description));
    parser_.addOption(option);
    return option;
}

QCommandLineOption ProgramOptions::value(const char* name, const char* description,
                                         const char* valueName)
{
    QCommandLineOption option(QString::fromLatin1(name), QString::fromLatin1(description),
                              QString::fromLatin1(valueName));
    parser_.addOption(option);
    return option;
}

std::optional<int> ProgramOptions::read(const QStringList& arguments)
{
    if (!parser_.parse(arguments))
        return refuse(parser_.errorText());
    if (parser_.isSet(help_)) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    if (parser_.isSet(versionOption_)) {
        std::printf("%s %s\n", qPrintable(program_), qPrintable(version_));
        return 0;
    }
    return std::nullopt;
}

int ProgramOptions::refuse(const QString& why) const
{
    std::fprintf(stderr, "%s: %s\n%s", qPrintable(program_), qPrintable(why), qPrintable(usage()));
    return kUsageExit;
}

QString ProgramOptions::usage() const
{
    return parser_.helpText().replace(QStringLiteral("<executable_name>"), program_);
}

} // namespace waytrace::tools
