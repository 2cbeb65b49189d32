#pragma once

#include <QWidget>

namespace waytrace {

class Browser;
class Form1;
struct BrowserFactory;

// Shows the pages a site opens in a new window, so that their requests are recorded into the
// main window's sequence. One for the whole run: hidden, never destroyed, when its page closes,
// and reused by the next new-window request.
class popup_form : public QWidget
{
    Q_OBJECT

public:
    popup_form(Form1& main, const BrowserFactory& browsers, QWidget* parent = nullptr);

    Browser* WebBrowser1;
    // While true, a change of the window's size resizes the browser.
    bool trackresize = false;

    // Outer size of the window (frame included), in twips.
    [[nodiscard]] int outerWidth() const;
    [[nodiscard]] int outerHeight() const;
    void setOuterSize(int widthTwips, int heightTwips);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void load();
    void fitBrowser();

    void webBrowser1BeforeNavigate2(const QString& url, const QString& headers,
                                    const QByteArray& postData, bool& cancel);
    void webBrowser1DownloadComplete();
    void webBrowser1OnQuit();
    void webBrowser1WindowClosing(bool isChildWindow, bool& cancel);

    Form1& main_;
};

} // namespace waytrace
