#pragma once

#include <QWidget>

namespace waytrace {

class Browser;
struct BrowserFactory;

// A window that a page in the popup window opens: a browser of the same session, nothing of it
// recorded. It keeps no program running and goes when it is closed.
class PlainBrowserWindow : public QWidget
{
    Q_OBJECT

public:
    explicit PlainBrowserWindow(const BrowserFactory& browsers);

    Browser* pageBrowser;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace waytrace
