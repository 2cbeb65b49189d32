#include "popup_window.h"

#include "browser_factory.h"
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

popup_form::popup_form(Recorder& recorder, const BrowserFactory& browsers, QWidget* parent)
    : QWidget(parent, Qt::Window), WebBrowser1(browsers.pageBrowser(this))
{
    setObjectName(QStringLiteral("popup_form"));
    setWindowTitle(QStringLiteral("Form2"));
    setWindowIcon(programIcon());
    resize(twipsToPixels(10755), twipsToPixels(7575));
    if (auto* view = WebBrowser1->widget()) {
        view->setParent(this);
        view->setGeometry(twipsRect(120, 240, 10335, 6975));
    }

    recorder.listen(*WebBrowser1);
    connect(WebBrowser1, &Browser::downloadComplete, this,
            &popup_form::webBrowser1DownloadComplete);
    connect(WebBrowser1, &Browser::onQuit, this, &popup_form::webBrowser1OnQuit);
    connect(WebBrowser1, &Browser::windowClosing, this, &popup_form::webBrowser1WindowClosing);
    load();
}

int popup_form::outerWidth() const
{
    return frameGeometry().width() * kTwipsPerPixel;
}

int popup_form::outerHeight() const
{
    return frameGeometry().height() * kTwipsPerPixel;
}

void popup_form::setOuterSize(int widthTwips, int heightTwips)
{
    const QSize frame = frameGeometry().size() - size();
    resize(twipsToPixels(widthTwips) - frame.width(), twipsToPixels(heightTwips) - frame.height());
}

void popup_form::load()
{
    fitBrowser();
    trackresize = true;
}

void popup_form::fitBrowser()
{
    // A window too small for the margins leaves the browser as it is in that direction.
    if (const int width = outerWidth() - kWidthMargin; width >= 0)
        WebBrowser1->setWidth(width);
    if (const int height = outerHeight() - kHeightMargin; height >= 0)
        WebBrowser1->setHeight(height);
}

void popup_form::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (trackresize)
        fitBrowser();
}

void popup_form::webBrowser1DownloadComplete()
{
    runTrapped([this] {
        trackresize = false;
        setOuterSize(WebBrowser1->width() + kWidthMargin, WebBrowser1->height() + kHeightMargin);
        setWindowTitle(WebBrowser1->locationUrl());
        trackresize = true;
        emit pageSized();
    });
}

void popup_form::webBrowser1OnQuit()
{
    hide();
}

void popup_form::webBrowser1WindowClosing(bool /*isChildWindow*/, bool& cancel)
{
    // Hidden, not destroyed: the next new window reuses it.
    hide();
    cancel = true;
}

} // namespace waytrace
