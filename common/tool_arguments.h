#pragma once

// What every program does with its command line: options read with QCommandLineParser, --help
// and --version answered, a bad argument refused with the usage. Read before the program creates
// an application object, so that all three work on any terminal, with or without a display.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace waytrace::tools {

inline constexpr int kUsageExit = 2;

// The arguments as QCoreApplication::arguments() gives them (the program first), read before
// any application object exists.
QStringList commandLine(int argc, char* argv[]);

class ProgramOptions
{
public:
    // `description` comes under the usage line.
    ProgramOptions(QString program, QString version, const QString& description);

    // The program's own options, before read(): a flag, or an option that takes a value.
    QCommandLineOption flag(const char* name, const char* description);
    QCommandLineOption value(const char* name, const char* description, const char* valueName);

    // Positional arguments go here before read(); what was read, after.
    QCommandLineParser& parser() { return parser_; }

    // Reads `arguments`. Returns the status the program ends with at once: 0 after --help or
    // --version (answered on stdout), kUsageExit after an argument it does not take (the reason
    // and the usage on stderr); nothing when the program goes on.
    std::optional<int> read(const QStringList& arguments);

    // A bad argument found after read(): prints `why` and the usage on stderr, returns
    // kUsageExit.
    int refuse(const QString& why) const;

    [[nodiscard]] QString usage() const;

private:
    QString program_;
    QString version_;
    QCommandLineParser parser_;
    // Not Qt's own: they need the application object, and Qt's help would offer Qt's options,
    // which these command lines do not take.
    QCommandLineOption help_;
    QCommandLineOption versionOption_;
};

} // namespace waytrace::tools
