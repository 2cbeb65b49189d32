#include "popup_window.h"

#include "browser_factory.h"
#include "plain_browser_window.h"
#include "platform/error_trap.h"
#include "platform/twips.h"
#include "program_icon.h"

#include "platform/browser.h"
#include "recording/recorder.h"

#include <QResizeEvent>

namespace waytrace {

namespace {

// The browser is this much narrower and lower than the window's outer size.
constexpr int kWidthMargin = 300;
constexpr int kHeightMargin = 400;

} // namespace

PopupWindow::PopupWindow(Recorder& recorder, const BrowserFactory& browsers, QWidget* parent)
    : QWidget(parent, Qt::Window), pageBrowser(browsers.pageBrowser(this)), browsers_(browsers)
{
    setObjectName(QStringLiteral("PopupWindow"));
    setWindowTitle(QStringLiteral("Form2"));
    setWindowIcon(programIcon());
    resize(twipsToPixels(10755), twipsToPixels(7575));
    if (auto* view = pageBrowser->widget()) {
        view->setParent(this);
        view->setGeometry(twipsRect(120, 240, 10335, 6975));
    }

    recorder.listen(*pageBrowser);
    connect(pageBrowser, &Browser::downloadComplete, this,
            &PopupWindow::pageBrowserDownloadComplete);
    connect(pageBrowser, &Browser::onQuit, this, &PopupWindow::pageBrowserOnQuit);
    connect(pageBrowser, &Browser::windowClosing, this, &PopupWindow::pageBrowserWindowClosing);
    connect(pageBrowser, &Browser::newWindow2, this, &PopupWindow::pageBrowserNewWindow2);
    load();
}

PopupWindow::~PopupWindow()
{
    // Their pages go before the engine session that the program ends next.
    for (const auto& window : plainWindows_)
        delete window.data();
}

void PopupWindow::pageBrowserNewWindow2(NewWindowRequest& request)
{
    runTrapped([&] {
        plainWindows_.removeAll(nullptr);
        auto* window = new PlainBrowserWindow(browsers_);
        plainWindows_.append(window);
        // Its own pages' new windows are plain windows too.
        connect(window->pageBrowser, &Browser::newWindow2, this,
                &PopupWindow::pageBrowserNewWindow2);
        window->show();
        request.showIn(window->pageBrowser);
    });
}

int PopupWindow::outerWidth() const
{
    return frameGeometry().width() * kTwipsPerPixel;
}

int PopupWindow::outerHeight() const
{
    return frameGeometry().height() * kTwipsPerPixel;
}

void PopupWindow::setOuterSize(int widthTwips, int heightTwips)
{
    const QSize frame = frameGeometry().size() - size();
    resize(twipsToPixels(widthTwips) - frame.width(), twipsToPixels(heightTwips) - frame.height());
}

void PopupWindow::load()
{
    fitBrowser();
    trackResize = true;
}

void PopupWindow::fitBrowser()
{
    // A window too small for the margins leaves the browser as it is in that direction.
    if (const int width = outerWidth() - kWidthMargin; width >= 0)
        pageBrowser->setWidth(width);
    if (const int height = outerHeight() - kHeightMargin; height >= 0)
        pageBrowser->setHeight(height);
}

void PopupWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (trackResize)
        fitBrowser();
}

void PopupWindow::pageBrowserDownloadComplete()
{
    runTrapped([this] {
        trackResize = false;
        setOuterSize(pageBrowser->width() + kWidthMargin, pageBrowser->height() + kHeightMargin);
        setWindowTitle(pageBrowser->locationUrl());
        trackResize = true;
        emit pageSized();
    });
}

void PopupWindow::pageBrowserOnQuit()
{
    hide();
}

void PopupWindow::pageBrowserWindowClosing(WindowClosingRequest& request)
{
    // Hidden, not destroyed: the next new window reuses it.
    hide();
    request.cancel();
}

} // namespace waytrace
