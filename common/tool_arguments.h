#pragma once

// Answers a tool's --help and its bad arguments before the tool creates an application object,
// so that both work on any terminal, with or without a display.

#include <QStringList>

namespace waytrace::tools {

inline constexpr int kUsageExit = 2;

// The arguments as QCoreApplication::arguments() gives them (the program first), read before
// any application object exists.
QStringList commandLine(int argc, char* argv[]);

// Whether --help (or -h) is among the arguments after the program name.
bool helpAsked(const QStringList& arguments);

// Prints `usage`: on stdout with status 0 when it was asked for, on stderr with status 2 when
// the arguments were wrong. Returns that status.
int answerUsage(const char* usage, bool asked);

} // namespace waytrace::tools
