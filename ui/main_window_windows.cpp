// The main window: the other windows, each created on first use and placed beside it.

#include "main_window.h"

#include "browser/navigation_request.h"

#include "control_panel.h"
#include "popup_window.h"
#include "sequence_files.h"
#include "trial_run_results_window.h"
#include "upload_dialog.h"
#include "window_frame.h"

#include "browser/browser.h"
#include "common/error_trap.h"

#include <QScreen>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

// Set on a window once it has been placed, so that it keeps where the user moved it.
constexpr char kPlacedProperty[] = "waytracePlaced";

} // namespace

ControlPanel& MainWindow::controlPanel()
{
    if (!panel_) {
        // A window of its own, kept above this one by the window manager (it is this window's
        // dialog), so a page that completes never hides it.
        panel_ = new ControlPanel(recorder_.sequence(), &undo_, this);
        panel_->acceptCertificates(browsers_.acceptedCertificates);
        panel_->addListAction(undoAction_);
        panel_->addListAction(exportHarAction_);
        panel_->addListAction(exportJUnitAction_);
        panel_->addListAction(resultsAction_);
        panel_->setTrialRunGate([this](std::function<void()> run) {
            whenBodiesConfirmed([this, run = std::move(run)] {
                if (files_->supplyLeftOutPasswords())
                    run();
            });
        });
        exportHarAction_->setEnabled(false);
        exportJUnitAction_->setEnabled(false);
        connect(panel_, &ControlPanel::trialRunStarted, this,
                [this] { resultsWindow().showReport(&panel_->trialRunReport()); });
        connect(panel_, &ControlPanel::trialRunStepReported, this,
                [this](int row) { resultsWindow().stepChanged(row); });
        connect(panel_, &ControlPanel::trialRunEnded, this, [this] {
            exportHarAction_->setEnabled(!panel_->lastRun().isEmpty());
            exportJUnitAction_->setEnabled(!panel_->lastRun().isEmpty());
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

} // namespace waytrace
