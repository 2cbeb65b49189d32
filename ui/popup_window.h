#pragma once

#include "browser_factory.h"

#include <QList>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace waytrace {

class Browser;
class NewWindowRequest;
class PlainBrowserWindow;
class Recorder;
class WindowClosingRequest;

// Shows the pages a site opens in a new window, so that their requests are recorded into the
// main window's sequence through the one recorder. One for the whole run: hidden, never destroyed,
// when its page closes, and reused by the next new-window request. A window that one of its pages
// opens in turn is a plain browser window, not recorded; it goes with this one at the latest.
class PopupWindow : public QWidget
{
    Q_OBJECT

public:
    PopupWindow(Recorder& recorder, const BrowserFactory& browsers, QWidget* parent = nullptr);
    ~PopupWindow() override;

    Browser* pageBrowser;
    // While true, a change of the window's size resizes the browser.
    bool trackResize = false;

    // Outer size of the window (frame included), in twips. Asked for before the window manager
    // has framed the window, it is applied again once the frame is known.
    [[nodiscard]] int outerWidth() const;
    [[nodiscard]] int outerHeight() const;
    void setOuterSize(int widthTwips, int heightTwips);

signals:
    // The page finished downloading and the window took its size: the records may have grown.
    void pageSized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void load();
    void fitBrowser();
    void setOuterWidth(int twips);
    void setOuterHeight(int twips);
    void applyOuterSize();
    void frameKnown();

    void pageBrowserDownloadComplete();
    void pageBrowserOnQuit();
    void pageBrowserWindowClosing(WindowClosingRequest& request);
    // A page here asks for a new window: a plain one, outside the recording.
    void pageBrowserNewWindow2(NewWindowRequest& request);

    BrowserFactory browsers_;
    // The outer size last asked for, in twips, and whether the window manager has framed the
    // window, so that the frame is known.
    QSize outerSize_;
    bool framed_ = false;
    QList<QPointer<PlainBrowserWindow>> plainWindows_;
};

} // namespace waytrace
