#include "tool_arguments.h"

#include <cstdio>

namespace waytrace::tools {

QStringList commandLine(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

bool helpAsked(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (arguments[i] == QLatin1String("--help") || arguments[i] == QLatin1String("-h"))
            return true;
    return false;
}

int answerUsage(const char* usage, bool asked)
{
    std::fputs(usage, asked ? stdout : stderr);
    return asked ? 0 : kUsageExit;
}

} // namespace waytrace::tools
