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

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

const QString kBlank = QStringLiteral("about:blank");
constexpr char kPlacedProperty[] = "waytracePlaced";

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

// ---- the other windows, created on first use ----

ControlPanel& MainWindow::controlPanel()
{
    if (!panel_) {
        // A window of its own, kept above this one by the window manager (it is this window's
        // dialog), so a page that completes never hides it.
        panel_ = new ControlPanel(recorder_.sequence(), &undo_, this);
        panel_->acceptCertificates(browsers_.acceptedCertificates);
        panel_->addListAction(undoAction_);
        panel_->addListAction(exportHarAction_);
        panel_->addListAction(resultsAction_);
        panel_->setTrialRunGate([this](std::function<void()> run) {
            whenBodiesConfirmed([this, run = std::move(run)] {
                if (files_->supplyLeftOutPasswords())
                    run();
            });
        });
        exportHarAction_->setEnabled(false);
        connect(panel_, &ControlPanel::trialRunStarted, this,
                [this] { resultsWindow().showReport(&panel_->trialRunReport()); });
        connect(panel_, &ControlPanel::trialRunStepReported, this,
                [this](int row) { resultsWindow().stepChanged(row); });
        connect(panel_, &ControlPanel::trialRunEnded, this, [this] {
            exportHarAction_->setEnabled(!panel_->lastRun().isEmpty());
            resultsWindow().runEnded(panel_->trialRunSummary());
            // After a run that got anywhere, its results: a run emptied away has none.
            if (!panel_->lastRun().isEmpty() || panel_->trialRunReport().stopped)
                showResultsWindow();
        });
        connect(panel_, &ControlPanel::edited, this, [this] {
            files_->noteChange();
            refreshTitle();
        });
        connect(panel_, &ControlPanel::recordingPlaceChanged, this, &MainWindow::refreshTitle);
    }
    return *panel_;
}

TrialRunResultsWindow& MainWindow::resultsWindow()
{
    if (!results_) {
        results_ = new TrialRunResultsWindow(this);
        if (panel_) {
            results_->showReport(&panel_->trialRunReport());
            if (!panel_->isTrialRunning() && !panel_->lastRun().isEmpty())
                results_->runEnded(panel_->trialRunSummary());
        }
        connect(results_, &TrialRunResultsWindow::stepChosen, this,
                [this](const UrlRecord* record) {
                    showControlPanel();
                    controlPanel().selectRecord(record);
                    controlPanel().raise();
                    controlPanel().activateWindow();
                });
    }
    return *results_;
}

void MainWindow::showResultsWindow()
{
    auto& window = resultsWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void MainWindow::placeBeside(QWidget* window)
{
    // To the right of this window, so the browser stays in view. A window not framed yet is
    // counted with a frame like this one's. Where the screen has no room beside, this window
    // moves left so that both are whole on screen; only a screen narrower than both makes the
    // panel lie over the browser's right edge.
    const QRect screen = this->screen()->availableGeometry();
    QRect frame = frameGeometry();
    const QSize frameMargins = frame.size() - size();
    const QSize windowFrame = window->frameGeometry().size();
    const int width = windowFrame != window->size() ? windowFrame.width()
                                                    : window->width() + frameMargins.width();
    const int overhang = frame.right() + 1 + width - (screen.right() + 1);
    if (overhang > 0) {
        const int left = std::max(screen.left(), frame.left() - overhang);
        move(left, y());
        frame.moveLeft(left);
    }
    const int x = std::clamp(frame.right() + 1, screen.left(),
                             std::max(screen.left(), screen.right() + 1 - width));
    window->move(x, std::max(frame.top(), screen.top()));
}

PopupWindow& MainWindow::popup()
{
    if (!popup_) {
        popup_ = new PopupWindow(recorder_, browsers_); // a window of its own; goes with this one
        connect(popup_->pageBrowser, &Browser::pageMenu, this,
                [this](PageMenuRequest& request) { offerChecks(*popup_->pageBrowser, request); });
        connect(popup_, &PopupWindow::pageSized, this,
                [this] { runTrapped([this] { controlPanel().reloadList(); }); });
    }
    return *popup_;
}

bool MainWindow::hasPopup() const
{
    return !popup_.isNull();
}

UploadDialog& MainWindow::uploadDialog()
{
    if (!uploadDialog_)
        uploadDialog_ = new UploadDialog(this);
    return *uploadDialog_;
}

void MainWindow::showControlPanel()
{
    auto& panel = controlPanel();
    // Placed before it is first shown, so the window manager takes the place as asked; later
    // the user's place is kept.
    if (!panel.property(kPlacedProperty).toBool()) {
        placeBeside(&panel);
        panel.setProperty(kPlacedProperty, true);
    }
    panel.show();
}

// ---- commands ----

void MainWindow::navigateToAddress()
{
    // Completed as a browser completes what is typed: "127.0.0.1:9801/dashboard" and
    // "intranet:8080/app" are web addresses.
    const QString typed = addressEdit->text().trimmed();
    if (typed.isEmpty()) {
        pageBrowser_->navigate(typed); // the engine does nothing with it, as before
        return;
    }
    // An address with its scheme is taken as it is: completing it again would make
    // "http://exa mple.com/" into a path on the host "http".
    const QUrl address =
        typed.contains(QLatin1String("://")) ? QUrl(typed) : QUrl::fromUserInput(typed);
    const bool web = address.scheme() == u"http" || address.scheme() == u"https";
    if (!address.isValid() || (web && address.host().isEmpty())) {
        sayNotAnAddress(typed);
        return;
    }
    pageBrowser_->navigate(address.toString(QUrl::FullyEncoded));
}

void MainWindow::sayNotAnAddress(const QString& typed)
{
    // Over the top of the page, where the page would have been; gone once the user types or a
    // page loads.
    if (!addressProblemLabel_) {
        addressProblemLabel_ = new QLabel(this);
        addressProblemLabel_->setObjectName(QStringLiteral("addressProblemLabel"));
        addressProblemLabel_->setWordWrap(true);
        // What was typed is shown as typed, never read as markup.
        addressProblemLabel_->setTextFormat(Qt::PlainText);
        addressProblemLabel_->setAutoFillBackground(true);
        addressProblemLabel_->setFrameShape(QFrame::StyledPanel);
        addressProblemLabel_->setMargin(8);
        connect(addressEdit, &QLineEdit::textEdited, addressProblemLabel_, &QLabel::hide);
        connect(pageBrowser_, &Browser::loadProgress, addressProblemLabel_, &QLabel::hide);
    }
    QRect area = rect();
    if (const QWidget* page = pageBrowser_->widget(); page && isAncestorOf(page))
        area = QRect(page->mapTo(this, QPoint()), page->size());
    else
        area.setTop(addressFrame_->geometry().bottom());
    addressProblemLabel_->setText(loadText(TextId::NotAnAddress).arg(typed));
    addressProblemLabel_->setFixedWidth(std::max(area.width() - 16, 100));
    addressProblemLabel_->adjustSize();
    addressProblemLabel_->move(area.left() + 8, area.top() + 8);
    addressProblemLabel_->show();
    addressProblemLabel_->raise();
}

void MainWindow::openHelpPage()
{
    if (addressEdit->text() != helpUrl_)
        pageBrowser_->navigate(helpUrl_);
}

void MainWindow::goClicked()
{
    runTrapped([this] {
        if (addressEdit->text() != helpUrl_)
            navigateToAddress();
    });
}

void MainWindow::addressEditKeyPressed(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        runTrapped([this] { navigateToAddress(); });
}

void MainWindow::newSequenceTriggered()
{
    if (maySequenceGo())
        startNewSequence();
}

bool MainWindow::maySequenceGo()
{
    if (!files_->isModified())
        return true;
    switch (askToSaveChanges(this, mainMessageTitle_)) {
    case SaveAnswer::Save:
        files_->askAndSave();
        return !files_->isModified(); // the file dialog cancelled, or the save failed
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

void MainWindow::editSequenceTriggered()
{
    runTrapped([this] {
        showControlPanel();
        controlPanel().raise();
        controlPanel().activateWindow();
    });
}

void MainWindow::trialRunTriggered()
{
    runTrapped([this] {
        showControlPanel(); // where the results show
        controlPanel().raise();
        controlPanel().startTrialRun();
    });
}

void MainWindow::undoTriggered()
{
    runTrapped([this] {
        const std::size_t position = undo_.undo(recorder_.sequence());
        if (position == 0)
            return;
        showControlPanel(); // where what came back shows
        controlPanel().reloadList(static_cast<int>(position) - 1);
        controlPanel().raise();
        files_->noteChange();
        refreshTitle();
    });
}

void MainWindow::refreshTitle()
{
    // The file the sequence is kept in, marked while it has changes the file lacks.
    QString title = loadText(TextId::MainTitle);
    // Recording into the middle is a mode: it shows while it lasts.
    if (const auto point = recorder_.sequence().insertionPoint())
        title += QStringLiteral(" (%1)").arg(loadText(TextId::RecordingAfterStep).arg(*point));
    const QString file = files_->fileName();
    setWindowTitle(file.isEmpty() ? title + QStringLiteral("[*]")
                                  : QStringLiteral("%1[*] - %2").arg(file, title));
    setWindowModified(files_->isModified());
}

void MainWindow::saveSequenceTriggered()
{
    save();
}

void MainWindow::gettingStartedTriggered()
{
    runTrapped([this] { openHelpPage(); });
}

void MainWindow::aboutTriggered()
{
    runTrapped([this] {
        if (!about_)
            about_ = new AboutWindow(); // a window of its own; goes with this one
        about_->show();
        about_->raise();
        about_->activateWindow();
    });
}

void MainWindow::exitTriggered()
{
    close(); // asks first; the other windows go with this one
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    bool mayGo = true;
    runTrapped([&] { mayGo = maySequenceGo(); });
    if (!mayGo) {
        event->ignore();
        return;
    }
    // The program ends with this window: every other window goes with it. One that fails to
    // close does not keep this one open.
    for (QWidget* window : std::initializer_list<QWidget*>{panel_, popup_, uploadDialog_, about_})
        if (window)
            runTrapped([window] { window->close(); });
    QMainWindow::closeEvent(event);
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
