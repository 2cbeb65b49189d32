#include "plain_browser_window.h"

#include "browser_factory.h"
#include "program_icon.h"

#include "browser/browser.h"

#include <QResizeEvent>

namespace waytrace {

PlainBrowserWindow::PlainBrowserWindow(const BrowserFactory& browsers)
    : QWidget(nullptr, Qt::Window), pageBrowser(browsers.pageBrowser(this))
{
    setObjectName(QStringLiteral("PlainBrowserWindow"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(800, 600);
    if (auto* view = pageBrowser->widget())
        view->setParent(this);
    connect(pageBrowser, &Browser::downloadComplete, this,
            [this] { setWindowTitle(pageBrowser->locationUrl()); });
    // The page closes its window: the window goes, once the browser is done telling.
    connect(pageBrowser, &Browser::windowClosing, this, [this](WindowClosingRequest& request) {
        request.cancel();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

void PlainBrowserWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (auto* view = pageBrowser->widget())
        view->setGeometry(rect());
}

} // namespace waytrace
