#include "main_window.h"

#include "about_window.h"
#include "controlpanel.h"
#include "design_controls.h"
#include "popup_window.h"
#include "program_icon.h"
#include "text.h"
#include "upload_dialog.h"
#include "upload_flow.h"

#include "platform/browser.h"
#include "platform/error_trap.h"
#include "platform/twips.h"
#include "waytrace/build_settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

const QString kBlank = QStringLiteral("about:blank");
constexpr char kPlacedProperty[] = "waytracePlaced";

} // namespace

Form1::Form1(BrowserFactory browsers, QString helpUrl, QWidget* parent)
    : QMainWindow(parent), recorder_(helpUrl), urlarray(recorder_.sequence()),
      browsers_(std::move(browsers)), helpUrl_(std::move(helpUrl))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Waytrace"));
    setWindowIcon(programIcon());
    useDesignFontSize(this);
    buildControls();
    buildMenus();
    connectCommands();
    upload_ = new UploadFlow({urlarray, *postbrowser, [this] { return uploadDialog().ask(); }, this,
                              [this] { return mainMessageTitle_; }},
                             this);
    connect(upload_, &UploadFlow::underWayChanged, mnusaveseq,
            [this](bool underWay) { mnusaveseq->setEnabled(!underWay); });
    connect(upload_, &UploadFlow::sequenceSaved, this, &Form1::clearbrowser);
    recorder_.listen(*WebBrowser1);
    connect(&recorder_, &Recorder::credentialsStored, this, &Form1::reloadControlPanel);
    connect(WebBrowser1, &Browser::newWindow2, this, &Form1::webBrowser1NewWindow2);
    connect(WebBrowser1, &Browser::documentComplete, this, &Form1::webBrowser1DocumentComplete);
    resize(twipsToPixels(13380), twipsToPixels(10110) + menuBar()->sizeHint().height());
    // Sees the address box's keys and, wherever the focus is, the menus' shortcut keys.
    qApp->installEventFilter(this);
    load();
}

Form1::~Form1()
{
    // The other windows hold this window's sequence and flags: they go first.
    for (QWidget* window : std::initializer_list<QWidget*>{about_, uploadDialog_, popup_, panel_})
        delete window;
}

QString Form1::defaultHelpUrl()
{
    return QString::fromStdU16String(settings::kHelpUrl);
}

void Form1::load()
{
    runTrapped([this] {
        NavigateToAddress();
        if (urladdress->text() != helpUrl_)
            WebBrowser1->navigate(helpUrl_);
        localize();
    });
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    runTrapped([this] {
        mainMessageTitle_ = LoadText(151);
        layOut();
    });
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == urladdress && event->type() == QEvent::KeyPress)
        urladdressKeyPressed(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::ShortcutOverride && isMenuShortcut(watched, event))
        return true; // left unclaimed, so the menu item's shortcut fires
    return QMainWindow::eventFilter(watched, event);
}

bool Form1::isMenuShortcut(QObject* receiver, QEvent* event) const
{
    // The address box and the page would keep Ctrl+A and the like for themselves; in this
    // window the menus' shortcut keys come first.
    const auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != this)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (const auto* action : {mnunewseq, mnueditseq, mnusaveseq, start, aboutrecorder})
        if (action->shortcut() == pressed)
            return true;
    return false;
}

// ---- the other windows, created on first use ----

controlpanel& Form1::controlPanel()
{
    if (!panel_)
        panel_ = new controlpanel(urlarray, this);
    return *panel_;
}

void Form1::placeBeside(QWidget* window) const
{
    // To the right of this window, so the browser stays in view; against the screen's right
    // edge when there is no room.
    const QRect screen = this->screen()->availableGeometry();
    const QRect frame = frameGeometry();
    const int width = window->frameGeometry().width();
    const int x = std::clamp(frame.right() + 1, screen.left(),
                             std::max(screen.left(), screen.right() + 1 - width));
    window->move(x, std::max(frame.top(), screen.top()));
}

popup_form& Form1::popup()
{
    if (!popup_) {
        popup_ = new popup_form(recorder_, browsers_, this);
        connect(popup_, &popup_form::pageSized, this,
                [this] { runTrapped([this] { controlPanel().reloadlist(); }); });
    }
    return *popup_;
}

bool Form1::hasPopup() const
{
    return !popup_.isNull();
}

Uploaddialog& Form1::uploadDialog()
{
    if (!uploadDialog_)
        uploadDialog_ = new Uploaddialog(uploadcancel, this);
    return *uploadDialog_;
}

void Form1::showControlPanel()
{
    auto& panel = controlPanel();
    // Placed when first shown, once its frame is known; later the user's place is kept.
    const bool first = !panel.property(kPlacedProperty).toBool();
    panel.show();
    if (first) {
        placeBeside(&panel);
        panel.setProperty(kPlacedProperty, true);
    }
}

// ---- commands ----

void Form1::NavigateToAddress()
{
    WebBrowser1->navigate(urladdress->text());
}

void Form1::openHelpPage()
{
    if (urladdress->text() != helpUrl_)
        WebBrowser1->navigate(helpUrl_);
}

void Form1::goClicked()
{
    runTrapped([this] {
        if (urladdress->text() != helpUrl_)
            NavigateToAddress();
    });
}

void Form1::urladdressKeyPressed(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        runTrapped([this] { NavigateToAddress(); });
}

void Form1::newSequenceTriggered()
{
    clearbrowser();
}

void Form1::editSequenceTriggered()
{
    runTrapped([this] { showControlPanel(); });
}

void Form1::saveSequenceTriggered()
{
    save();
}

void Form1::gettingStartedTriggered()
{
    runTrapped([this] { openHelpPage(); });
}

void Form1::aboutTriggered()
{
    runTrapped([this] {
        if (!about_)
            about_ = new frmAbout(this);
        about_->show();
        about_->raise();
        about_->activateWindow();
    });
}

void Form1::exitTriggered()
{
    // Closing the popup may fail; the main window closes all the same.
    runTrapped([this] {
        if (popup_)
            popup_->close();
    });
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // The program ends with this window: every other window goes with it.
    for (QWidget* window : std::initializer_list<QWidget*>{panel_, popup_, uploadDialog_, about_})
        if (window)
            window->close();
    QMainWindow::closeEvent(event);
}

// ---- what the main browser tells ----

void Form1::reloadControlPanel()
{
    runTrapped([this] {
        if (panel_)
            panel_->reloadlist();
    });
}

void Form1::webBrowser1NewWindow2(Browser*& ppDisp, bool& /*cancel*/)
{
    runTrapped([&] {
        auto& window = popup();
        window.show();
        window.raise();
        ppDisp = window.WebBrowser1->application();
        move(x(), twipsToPixels(-1));
    });
}

void Form1::webBrowser1DocumentComplete(const QString& url)
{
    runTrapped([&] {
        urladdress->setText(url);
        controlPanel().reloadlist();
        if (!uploadDialog().isVisible()) {
            showControlPanel();
            // Back to this window and the control that had the focus in it, so typing in the
            // page or the address box goes on.
            activateWindow();
        }
    });
}

void Form1::clearbrowser()
{
    runTrapped([this] {
        urlarray.clear();
        controlPanel().reloadlist();
        urladdress->setText(kBlank);
        NavigateToAddress();
    });
}

// ---- saving into the server ----

void Form1::save()
{
    upload_->start();
}

} // namespace waytrace
