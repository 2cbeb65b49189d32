#include "command_line.h"

#include "ui/main_window.h"
#include "ui/sequence_files.h"
#include "waytrace/build_settings.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace waytrace {

namespace {

constexpr int kUsageExit = 2;

} // namespace

ProgramCommandLine readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records a web transaction as a URL sequence and saves it into a Torvane "
                       "server.\nOpens the online help page at start, or ADDRESS when given; a "
                       "sequence FILE is opened as File > Open File does."));
    // Not Qt's own help and version options: they need the application object, and the help
    // would offer Qt's options, which this command line does not take.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    parser.addOptions({help, version});
    parser.addPositionalArgument(
        QStringLiteral("address"),
        QStringLiteral("Page to open at start instead of the help page, or a sequence file."),
        QStringLiteral("[ADDRESS|FILE]"));

    const auto usage = [&parser] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QStringLiteral("waytrace"));
    };
    ProgramCommandLine result;
    const auto fail = [&usage, &result](const QString& message) {
        std::fprintf(stderr, "waytrace: %s\n%s", qPrintable(message), qPrintable(usage()));
        result.exitStatus = kUsageExit;
        return result;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(usage()), stdout);
        result.exitStatus = 0;
        return result;
    }
    if (parser.isSet(version)) {
        std::printf("waytrace %s\n", settings::kVersion);
        result.exitStatus = 0;
        return result;
    }
    const auto positional = parser.positionalArguments();
    if (positional.size() > 1)
        return fail(QStringLiteral("one start address at most"));
    if (!positional.isEmpty())
        result.startAddress = positional.first();
    return result;
}

void openStartAddress(MainWindow& window, const QString& address)
{
    if (QFileInfo(address).isFile()) {
        window.files().open(address);
        return;
    }
    window.addressEdit->setText(address);
    window.goButton->click();
}

} // namespace waytrace
