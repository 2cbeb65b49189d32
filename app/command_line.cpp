#include "command_line.h"

#include "common/tool_arguments.h"
#include "ui/main_window.h"
#include "ui/sequence_files.h"
#include "waytrace/build_settings.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace waytrace {

ProgramCommandLine readCommandLine(const QStringList& arguments)
{
    tools::ProgramOptions options(
        QStringLiteral("waytrace"), QString::fromLatin1(settings::kVersion),
        QStringLiteral("Records a web transaction as a URL sequence and saves it into a Torvane "
                       "server.\nOpens the online help page at start, or ADDRESS when given; a "
                       "sequence FILE is opened as File > Open File does."));
    options.parser().addPositionalArgument(
        QStringLiteral("address"),
        QStringLiteral("Page to open at start instead of the help page, or a sequence file."),
        QStringLiteral("[ADDRESS|FILE]"));

    ProgramCommandLine result;
    result.exitStatus = options.read(arguments);
    if (result.exitStatus)
        return result;
    const auto positional = options.parser().positionalArguments();
    if (positional.size() > 1) {
        result.exitStatus = options.refuse(QStringLiteral("one start address at most"));
        return result;
    }
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
