#include "loading_sign.h"

#include "text.h"

#include "browser/browser.h"

#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>

namespace waytrace {

namespace {

// Sits over the page's corner, on the window: the page's own surface may be drawn by the engine
// over anything inside it. The page is looked for when the sign shows: the window may place it
// after the sign was made.
class LoadingSign : public QLabel
{
public:
    LoadingSign(QWidget& window, Browser& browser) : QLabel(&window), browser_(&browser)
    {
        setObjectName(QStringLiteral("loadingSign"));
        setAutoFillBackground(true);
        setFrameShape(QFrame::StyledPanel);
        setMargin(3);
        hide();
        window.installEventFilter(this);
    }

    void showProgress(int percent)
    {
        QWidget* view = page();
        if (percent >= 100) {
            hide();
            if (view)
                view->unsetCursor();
            return;
        }
        setText(loadText(TextId::PageLoading).arg(percent));
        adjustSize();
        place();
        show();
        raise();
        if (view)
            view->setCursor(Qt::BusyCursor);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && isVisible())
            place();
        return QLabel::eventFilter(watched, event);
    }

private:
    QWidget* page() const
    {
        QWidget* view = browser_ ? browser_->widget() : nullptr;
        return view && parentWidget()->isAncestorOf(view) ? view : nullptr;
    }

    // The lower left corner of the page as far as the window and the screen show it: a window
    // taller than the screen hides its bottom, a page may reach past its window.
    void place()
    {
        const QWidget* view = page();
        QWidget* window = parentWidget();
        QRect area = window->rect();
        if (view)
            area &= QRect(view->mapTo(window, QPoint()), view->size());
        if (const QScreen* screen = window->screen()) {
            const QRect shown(window->mapFromGlobal(screen->availableGeometry().topLeft()),
                              screen->availableGeometry().size());
            if (area.intersects(shown))
                area &= shown;
        }
        move(area.left(), area.bottom() + 1 - height());
    }

    QPointer<Browser> browser_;
};

} // namespace

void addLoadingSign(QWidget& window, Browser& browser)
{
    auto* sign = new LoadingSign(window, browser);
    QObject::connect(&browser, &Browser::loadProgress, sign,
                     [sign](int percent) { sign->showProgress(percent); });
}

} // namespace waytrace
