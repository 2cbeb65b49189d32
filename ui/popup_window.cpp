#include "popup_window.h"

#include "browser/twips.h"
#include "browser_factory.h"
#include "browser_keys.h"
#include "common/error_trap.h"
#include "loading_sign.h"
#include "plain_browser_window.h"
#include "program_icon.h"
#include "window_frame.h"

#include "browser/browser.h"
#include "recording/recorder.h"

#include <QResizeEvent>

namespace waytrace {

namespace {

// The browser is this much narrower and lower than the window's outer size.
constexpr int kWidthMargin = 300;
constexpr int kHeightMargin = 400;
// The window's outer size when it opens.
constexpr int kOuterWidth = 11000;
constexpr int kOuterHeight = 8000;

} // namespace

PopupWindow::PopupWindow(Recorder& recorder, const BrowserFactory& browsers, QWidget* parent)
    : QWidget(parent, Qt::Window), pageBrowser(browsers.pageBrowser(this)), browsers_(browsers)
{
    setObjectName(QStringLiteral("PopupWindow"));
    setWindowTitle(QStringLiteral("Form2"));
    setWindowIcon(programIcon());
    setOuterSize(kOuterWidth, kOuterHeight);
    if (auto* view = pageBrowser->widget()) {
        view->setParent(this);
        view->setGeometry(twipsRect(120, 240, 10335, 6975));
    }

    recorder.listen(*pageBrowser, true);
    addBrowserKeys(*this, *pageBrowser);
    addLoadingSign(*this, *pageBrowser);
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
    outerSize_ = {widthTwips, heightTwips};
    applyOuterSize();
}

void PopupWindow::setOuterWidth(int twips)
{
    outerSize_ = {twips, framed_ ? outerHeight() : outerSize_.height()};
    applyOuterSize();
}

void PopupWindow::setOuterHeight(int twips)
{
    outerSize_ = {framed_ ? outerWidth() : outerSize_.width(), twips};
    applyOuterSize();
}

void PopupWindow::applyOuterSize()
{
    // Before the window manager has framed the window the frame counts as nothing; the size is
    // applied again once it is known.
    const QSize frame = frameGeometry().size() - size();
    resize(twipsToPixels(outerSize_.width()) - frame.width(),
           twipsToPixels(outerSize_.height()) - frame.height());
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

bool PopupWindow::event(QEvent* event)
{
    // The size follows once that event is done with.
    if (frameJustKnown(*this, *event, framed_))
        QMetaObject::invokeMethod(this, &PopupWindow::frameKnown, Qt::QueuedConnection);
    return QWidget::event(event);
}

void PopupWindow::frameKnown()
{
    // The outer size asked for so far took no frame into account. The browser follows the
    // outer size as the load step would have with the frame known, unless a download's size
    // holds it.
    applyOuterSize();
    if (trackResize)
        fitBrowser();
}

void PopupWindow::pageBrowserDownloadComplete()
{
    runTrapped([this] {
        trackResize = false;
        // The width and then the height, each a change of the window's size that must leave
        // the browser as it is.
        setOuterWidth(pageBrowser->width() + kWidthMargin);
        setOuterHeight(pageBrowser->height() + kHeightMargin);
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
