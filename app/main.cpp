// Waytrace: records a web transaction as a URL sequence and saves it into a Torvane server.

#include "platform/upload_channel.h"
#include "platform/webengine_browser.h"
#include "platform/webengine_session.h"
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

    // One session for the main and the popup browser: shared cookies, nothing on disk.
    const auto session = waytrace::WebEngineSession::create();
    waytrace::BrowserFactory browsers{
        [session](QObject* owner) -> waytrace::Browser* {
            return new waytrace::WebEngineBrowser(session, owner);
        },
        [](QObject* owner) -> waytrace::Browser* { return new waytrace::UploadChannel(owner); },
    };

    waytrace::Form1 window(browsers);
    window.show();
    return QApplication::exec();
}
