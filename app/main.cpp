// Waytrace: records a web transaction as a URL sequence and saves it into a Torvane server.

#include "platform/page_prompts.h"
#include "platform/webengine_session.h"
#include "ui/dialog_prompts.h"
#include "ui/engine_browsers.h"
#include "ui/main_window.h"
#include "ui/program_icon.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The engine shares its OpenGL contexts with the widgets; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Waytrace"));
    QApplication::setApplicationVersion(QStringLiteral("6.0.3"));
    QApplication::setWindowIcon(waytrace::programIcon());

    // The session outlives the window, whose browsers' pages must go before its profile.
    const auto session = waytrace::WebEngineSession::create();
    // What sites ask of the browser, the user answers.
    waytrace::PagePrompts::of(*session).setPrompts(std::make_shared<waytrace::DialogPrompts>());
    waytrace::Form1 window(waytrace::engineBrowsers(session));
    window.show();
    return QApplication::exec();
}
