#pragma once

// The program's command line: --help, --version and an optional start address or sequence file. It
// is read before the application object exists, so that help, version and a bad argument need no
// display.

#include <QString>
#include <QStringList>

#include <optional>

namespace waytrace {

class MainWindow;

struct ProgramCommandLine
{
    // Set when the program ends at once: after help or version (0) or a bad argument (2).
    std::optional<int> exitStatus;
    // Opened instead of the help page at start; empty for none.
    QString startAddress;
};

// `arguments` as QCoreApplication::arguments() gives them, the program first. Prints what it
// answers on stdout, and a bad argument with the usage on stderr.
ProgramCommandLine readCommandLine(const QStringList& arguments);

// Opens the start address as if the user had typed it into the address bar; an existing file
// is opened as a sequence file instead.
void openStartAddress(MainWindow& window, const QString& address);

} // namespace waytrace
