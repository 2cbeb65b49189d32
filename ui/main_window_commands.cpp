// The main window: its commands (menu items, buttons and keys).

#include "main_window.h"

#include "about_window.h"
#include "control_panel.h"
#include "message_box.h"
#include "popup_window.h"
#include "sequence_files.h"
#include "text.h"
#include "upload_dialog.h"

#include "browser/browser.h"
#include "common/error_trap.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include <algorithm>

namespace waytrace {

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
        const std::optional<std::size_t> index = undo_.undo(recorder_.sequence());
        if (!index)
            return;
        showControlPanel(); // where what came back shows
        controlPanel().reloadList(static_cast<int>(*index));
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

} // namespace waytrace
