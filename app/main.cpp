// Waytrace: records a web transaction as a URL sequence and saves it into a Torvane server.

#include "command_line.h"
#include "common/tool_arguments.h"
#include "engine_browsers.h"
#include "ui/dialog_prompts.h"
#include "ui/main_window.h"
#include "ui/program_icon.h"
#include "ui/text.h"
#include "waytrace/build_settings.h"
#include "webengine/disk_caches.h"
#include "webengine/page_prompts.h"
#include "webengine/webengine_session.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Help, version and a bad argument are answered before anything needs a display.
    const auto commandLine = waytrace::readCommandLine(waytrace::tools::commandLine(argc, argv));
    if (commandLine.exitStatus)
        return *commandLine.exitStatus;

    waytrace::keepCachesOffDisk();
    // The engine shares its OpenGL contexts with the widgets; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Waytrace"));
    QApplication::setApplicationVersion(QString::fromLatin1(waytrace::settings::kVersion));
    QApplication::setWindowIcon(waytrace::programIcon());
    waytrace::installQtTranslations();
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.torvane.Waytrace"));

    // The session outlives the window, whose browsers' pages must go before its profile.
    const auto session = waytrace::WebEngineSession::create();
    // What sites ask of the browser, the user answers.
    session->pagePrompts().setPrompts(std::make_shared<waytrace::DialogPrompts>());
    waytrace::MainWindow window(waytrace::engineBrowsers(session));
    window.show();
    if (!commandLine.startAddress.isEmpty())
        waytrace::openStartAddress(window, commandLine.startAddress);
    return QApplication::exec();
}
