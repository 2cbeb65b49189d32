#include "main_window.h"

#include "browser/navigation_request.h"

#include "about_window.h"
#include "control_panel.h"
#include "design_controls.h"
#include "message_box.h"
#include "popup_window.h"
#include "program_icon.h"
#include "sequence_files.h"
#include "text.h"
#include "trial_run_results_window.h"
#include "upload_dialog.h"
#include "upload_flow.h"
#include "window_frame.h"

#include "browser/browser.h"
#include "browser/twips.h"
#include "common/error_trap.h"
#include "waytrace/build_settings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

const QString kBlank = QStringLiteral("about:blank");

} // namespace

MainWindow::MainWindow(BrowserFactory browsers, QString helpUrl, QWidget* parent)
    : QMainWindow(parent), recorder_(helpUrl), browsers_(std::move(browsers)),
      helpUrl_(std::move(helpUrl)), mainMessageTitle_(loadText(TextId::MessageTitle))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Waytrace"));
    setWindowIcon(programIcon());
    useDesignFontSize(this);
    buildControls();
    files_ = new SequenceFiles(
        recorder_.sequence(), undo_, this, [this] { return mainMessageTitle_; }, helpUrl_);
    buildMenus();
    connectCommands();
    upload_ = new UploadFlow({recorder_.sequence(), *uploadChannel_,
                              [this] { return uploadDialog().ask(); }, this,
                              [this] { return mainMessageTitle_; }},
                             this);
    connect(upload_, &UploadFlow::underWayChanged, saveSequenceAction_,
            [this](bool underWay) { saveSequenceAction_->setEnabled(!underWay); });
    connect(upload_, &UploadFlow::sequenceSaved, this, &MainWindow::startNewSequence);
    connect(files_, &SequenceFiles::fileChanged, this, [this] {
        runTrapped([this] {
            if (panel_)
                panel_->reloadList();
            refreshTitle();
        });
    });
    recorder_.listen(*pageBrowser_);
    connect(&recorder_, &Recorder::credentialsStored, this, &MainWindow::reloadControlPanel);
    // A new step is unsaved work: the title says so at once.
    connect(&recorder_, &Recorder::stepRecorded, this,
            [this] { runTrapped([this] { refreshTitle(); }); });
    // A step's body corrected by the browser is a change a file saved before does not hold.
    connect(&recorder_, &Recorder::bodyConfirmed, this, [this] {
        reloadControlPanel();
        files_->noteChange();
        refreshTitle();
    });
    connect(pageBrowser_, &Browser::newWindow2, this, &MainWindow::pageBrowserNewWindow2);
    connect(pageBrowser_, &Browser::pageMenu, this,
            [this](PageMenuRequest& request) { offerChecks(*pageBrowser_, request); });
    connect(pageBrowser_, &Browser::documentComplete, this,
            &MainWindow::pageBrowserDocumentComplete);
    resize(twipsToPixels(13380), twipsToPixels(10110) + menuBar()->sizeHint().height());
    // Sees the address box's keys and, wherever the focus is, the menus' shortcut keys.
    qApp->installEventFilter(this);
    load();
}

MainWindow::~MainWindow()
{
    // The other windows hold this window's sequence and flags: they go first.
    for (QWidget* window :
         std::initializer_list<QWidget*>{about_, uploadDialog_, popup_, results_, panel_})
        delete window;
}

QString MainWindow::defaultHelpUrl()
{
    return QString::fromStdU16String(settings::kHelpUrl);
}

void MainWindow::load()
{
    runTrapped([this] {
        navigateToAddress();
        if (addressEdit->text() != helpUrl_)
            pageBrowser_->navigate(helpUrl_);
        localize();
    });
}

bool MainWindow::event(QEvent* event)
{
    // The first layout ran before the window manager framed the window; the design sizes are
    // outer sizes, so the browser is fitted again once the frame is known.
    if (frameJustKnown(*this, *event, framed_))
        QMetaObject::invokeMethod(
            this, [this] { runTrapped([this] { layOut(); }); }, Qt::QueuedConnection);
    return QMainWindow::event(event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    runTrapped([this] { layOut(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == addressEdit && event->type() == QEvent::KeyPress)
        addressEditKeyPressed(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::ShortcutOverride) {
        if (keepsSelectAll(watched, event)) {
            event->accept(); // the box's or the page's select-all, not About
            return true;
        }
        if (isMenuShortcut(watched, event))
            return true; // left unclaimed, so the menu item's shortcut fires
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::keepsSelectAll(QObject* receiver, QEvent* event) const
{
    const auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget ||
        QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) != aboutAction_->shortcut())
        return false;
    const auto* box = qobject_cast<const QLineEdit*>(widget);
    const QWidget* page = pageBrowser_->widget();
    const bool inPage =
        widget == page || page->isAncestorOf(widget) || (popup_ && popup_->isAncestorOf(widget));
    return (box && !box->isReadOnly()) || inPage;
}

bool MainWindow::isMenuShortcut(QObject* receiver, QEvent* event) const
{
    // The address box and the page would keep Ctrl+M and the like for themselves; in this
    // window the menus' shortcut keys come first.
    const auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != this)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (const auto* menu : {fileMenu_, editMenu_, viewMenu_, helpMenu_})
        for (const auto* action : menu->actions())
            if (action->shortcuts().contains(pressed) && action != undoAction_)
                return true;
    return focusAddressAction_->shortcuts().contains(pressed);
}

// ---- what the main browser tells ----

void MainWindow::reloadControlPanel()
{
    runTrapped([this] {
        if (panel_)
            panel_->reloadList();
    });
}

void MainWindow::offerChecks(const Browser& browser, PageMenuRequest& request)
{
    runTrapped([&] {
        const auto& sequence = recorder_.sequence();
        const RecordRef page = recorder_.shownStep(browser);
        auto found = std::find(sequence.begin(), sequence.end(), page);
        if (!page || found == sequence.end())
            return;
        // A frame's own step: the newest of its address after its page's step.
        if (const QUrl frame = QUrl(request.frameUrl()).adjusted(QUrl::RemoveFragment);
            !frame.isEmpty())
            for (auto step = found + 1; step != sequence.end(); ++step)
                if (QUrl(QString::fromStdU16String((*step)->urlAddress))
                        .adjusted(QUrl::RemoveFragment) == frame)
                    found = step;
        const RecordRef step = *found;
        // The text as the page shows it, with white space collapsed to single spaces; without
        // a selection, the page's title.
        QString text = request.selectedText().simplified();
        if (text.isEmpty())
            text = request.title().simplified();
        if (text.isEmpty())
            return;
        const auto number = static_cast<int>(found - sequence.begin()) + 1;
        const QString label = QString::fromStdU16String(step->displayName);
        const QString which = label.isEmpty() ? QString::number(number)
                                              : QStringLiteral("%1: %2").arg(number).arg(label);
        request.offer(loadText(TextId::AlertIfMissing).arg(which),
                      [this, step, text] { setKeyword(step, &UrlRecord::requiredKeywords, text); });
        request.offer(loadText(TextId::AlertIfAppears).arg(which), [this, step, text] {
            setKeyword(step, &UrlRecord::forbiddenKeywords, text);
        });
    });
}

void MainWindow::setKeyword(const RecordRef& step, RecordTextField field, const QString& text)
{
    runTrapped([&] {
        // As much as a keyword box holds.
        constexpr int kKeywordLimit = 32767;
        if (text.size() > kKeywordLimit) {
            showMessage(this, mainMessageTitle_,
                        loadText(TextId::SelectionTooLong).arg(kKeywordLimit));
            return;
        }
        const auto& sequence = recorder_.sequence();
        const auto found = std::find(sequence.begin(), sequence.end(), step);
        if (found == sequence.end())
            return; // removed while the menu was open
        (*step).*field = text.toStdU16String();
        // Shown at once, the step selected, as if typed there.
        showControlPanel();
        controlPanel().reloadList(static_cast<int>(found - sequence.begin()));
        files_->noteChange();
        refreshTitle();
    });
}

void MainWindow::pageBrowserNewWindow2(NewWindowRequest& request)
{
    runTrapped([&] {
        auto& window = popup();
        window.show();
        window.raise();
        request.showIn(window.pageBrowser);
        move(x(), twipsToPixels(-1));
    });
}

void MainWindow::pageBrowserDocumentComplete(const QString& url)
{
    runTrapped([&] {
        addressEdit->setText(url);
        controlPanel().reloadList();
        refreshTitle();
        if (!uploadDialog().isVisible()) {
            showControlPanel();
            // Back to this window and the control that had the focus in it, so typing in the
            // page or the address box goes on.
            activateWindow();
        }
    });
}

void MainWindow::startNewSequence()
{
    runTrapped([this] {
        undo_.clear(recorder_.sequence()); // Edit > Undo brings it back
        files_->forget();
        controlPanel().reloadList();
        addressEdit->setText(kBlank);
        navigateToAddress();
    });
}

// ---- saving into the server ----

void MainWindow::save()
{
    whenBodiesConfirmed([this] {
        if (files_->supplyLeftOutPasswords())
            upload_->start();
    });
}

void MainWindow::whenBodiesConfirmed(std::function<void()> action)
{
    // Seconds at most (the engine was busy with a big upload); the cursor says it is waiting.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    pageBrowser_->whenBodiesConfirmed([window = QPointer(this), action = std::move(action)] {
        QApplication::restoreOverrideCursor();
        if (window)
            runTrapped(action);
    });
}

} // namespace waytrace
