// The main window's controls and menus, their captions, and the application of the layout
// rules; what the controls do is in main_window.cpp.

#include "main_window.h"

#include "loading_sign.h"

#include "browser_keys.h"
#include "control_panel.h"
#include "design_controls.h"
#include "program_icon.h"
#include "sequence_files.h"
#include "text.h"

#include "browser/browser.h"
#include "browser/twips.h"
#include "common/error_trap.h"
#include "network/upload_channel.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include <initializer_list>
#include <utility>

namespace waytrace {

namespace {

// A button that gives the command of a menu item: it triggers the item's action and is on
// and off with it.
void shareCommand(QPushButton* button, QAction* action)
{
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
}

} // namespace

void MainWindow::buildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    pageBrowser_ = browsers_.pageBrowser(this);
    addBrowserKeys(*this, *pageBrowser_);
    uploadChannel_ = browsers_.uploadChannel(this);

    commandFrame_ = new QGroupBox(client);
    commandFrame_->setGeometry(twipsRect(240, 25, 10695, 945));
    logoLabel_ = new QLabel(commandFrame_);
    logoLabel_->setGeometry(twipsRect(240, 120, 2070, 675));
    logoLabel_->setPixmap(logoPicture());
    editButton_ = new QPushButton(QStringLiteral("&Edit Sequence"), commandFrame_);
    editButton_->setGeometry(twipsRect(4800, 240, 1600, 495));
    editButton_->setToolTip(
        QStringLiteral("  Open up Sequence Control Panel and specific match criteria"));
    newButton_ = new QPushButton(QStringLiteral("&New Sequence"), client);
    newButton_->setGeometry(twipsRect(3120, 240, 1600, 495));
    newButton_->setToolTip(QStringLiteral("  Record a new URL Sequence"));
    saveButton_ = new QPushButton(QStringLiteral("&Save Sequence"), client);
    saveButton_->setGeometry(twipsRect(6960, 240, 1600, 495));
    saveButton_->setToolTip(QStringLiteral("  Save the sequence in Torvane"));
    helpButton_ = new QPushButton(QStringLiteral("&Help"), client);
    helpButton_->setGeometry(twipsRect(8880, 240, 1600, 495));

    addressFrame_ = new QGroupBox(client);
    addressFrame_->setGeometry(twipsRect(360, 1125, 10455, 450));
    addressFrame_->setFlat(true);
    addressLabel_ = new QLabel(QStringLiteral("Address:"), addressFrame_);
    // Wider than designed (615) so that the caption fits with the desktop's fonts; it still ends
    // before the address box.
    addressLabel_->setGeometry(twipsRect(0, 120, 705, 495));
    addressLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    addressEdit = new QLineEdit(QStringLiteral("about:blank"), client);
    addressEdit->setGeometry(twipsRect(1080, 1200, 8175, 345));
    liftLengthLimit(addressEdit);
    loadProgressBar_ = new QProgressBar(addressEdit);
    loadProgressBar_->setTextVisible(false);
    loadProgressBar_->setRange(0, 100);
    loadProgressBar_->hide();
    placeLoadProgressBar();
    addLoadingSign(*this, *pageBrowser_);
    connect(pageBrowser_, &Browser::loadProgress, this, [this](int percent) {
        loadProgressBar_->setValue(percent);
        loadProgressBar_->setVisible(percent < 100);
    });
    goButton = new QPushButton(QStringLiteral("Go"), client);
    goButton->setGeometry(twipsRect(9600, 1200, 700, 375));

    if (auto* view = pageBrowser_->widget()) {
        view->setParent(client);
        view->setGeometry(twipsRect(240, 1800, 10575, 11070));
    }

    separatorLine_ = new QFrame(client);
    separatorLine_->setGeometry(0, 0, twipsToPixels(10560), 1);
    separatorLine_->setAutoFillBackground(true);
    QPalette linePalette = separatorLine_->palette();
    linePalette.setColor(QPalette::Window, palette().color(QPalette::Inactive, QPalette::Mid));
    separatorLine_->setPalette(linePalette);

    setObjectNames({{pageBrowser_, "pageBrowser"},
                    {uploadChannel_, "uploadChannel"},
                    {commandFrame_, "commandFrame"},
                    {logoLabel_, "logoLabel"},
                    {editButton_, "editButton"},
                    {newButton_, "newButton"},
                    {saveButton_, "saveButton"},
                    {helpButton_, "helpButton"},
                    {addressFrame_, "addressFrame"},
                    {addressLabel_, "addressLabel"},
                    {addressEdit, "addressEdit"},
                    {loadProgressBar_, "loadProgressBar"},
                    {goButton, "goButton"},
                    {separatorLine_, "separatorLine"}});

    // Focus order: the browser, the address bar, then the buttons.
    setTabChain({pageBrowser_->widget(), addressEdit, goButton, editButton_, saveButton_,
                 newButton_, helpButton_});
}

void MainWindow::buildMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    newSequenceAction_ = fileMenu_->addAction(QStringLiteral("&New Sequence"));
    newSequenceAction_->setShortcut(Qt::CTRL | Qt::Key_M);
    openFileAction_ = fileMenu_->addAction(QStringLiteral("&Open File..."));
    openFileAction_->setShortcut(QKeySequence::Open);
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Recent Files"));
    importHarAction_ = fileMenu_->addAction(QStringLiteral("&Import HAR..."));
    editSequenceAction_ = fileMenu_->addAction(QStringLiteral("&Edit this Sequence"));
    editSequenceAction_->setShortcut(Qt::CTRL | Qt::Key_E);
    saveSequenceAction_ = fileMenu_->addAction(QStringLiteral("&Save this Sequence"));
    saveSequenceAction_->setShortcut(Qt::CTRL | Qt::Key_S);
    saveFileAction_ = fileMenu_->addAction(QStringLiteral("Save to &File..."));
    saveFileAction_->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    exportAction_ = fileMenu_->addAction(QStringLiteral("Ex&port as curl Script..."));
    exportLocustAction_ = fileMenu_->addAction(QStringLiteral("Export as &Locust File..."));
    exportHarAction_ = fileMenu_->addAction(QStringLiteral("Export Test Run as &HAR..."));
    exportHarAction_->setEnabled(false);
    exportJUnitAction_ = fileMenu_->addAction(QStringLiteral("Export Test Run as &JUnit XML..."));
    exportJUnitAction_->setEnabled(false);
    trialRunAction_ = fileMenu_->addAction(QStringLiteral("&Test Run"));
    trialRunAction_->setShortcut(Qt::CTRL | Qt::Key_T);
    exitAction_ = fileMenu_->addAction(QStringLiteral("E&xit"));
    exitAction_->setShortcut(Qt::CTRL | Qt::Key_Q);

    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    undoAction_ = editMenu_->addAction(QStringLiteral("&Undo"));
    // A box or a page being edited keeps Ctrl+Z for itself.
    undoAction_->setShortcut(QKeySequence::Undo);
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    resultsAction_ = viewMenu_->addAction(QStringLiteral("Test Run &Results"));
    resultsAction_->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_T);
    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    gettingStartedAction_ = helpMenu_->addAction(QStringLiteral("&Getting Started"));
    gettingStartedAction_->setShortcut(Qt::Key_F1);
    aboutAction_ = helpMenu_->addAction(QStringLiteral("&About Waytrace"));
    aboutAction_->setShortcut(Qt::CTRL | Qt::Key_A);
    // Every menu command from the panel and the popup as well: the keys work where the user is.
    for (const auto* menu : {fileMenu_, editMenu_, viewMenu_, helpMenu_})
        for (auto* action : menu->actions())
            action->setShortcutContext(Qt::ApplicationShortcut);
    // To the address box, as in every desktop browser; from the other windows too, the only
    // address box being this window's.
    focusAddressAction_ = new QAction(this);
    focusAddressAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_L), Qt::Key_F6});
    focusAddressAction_->setShortcutContext(Qt::ApplicationShortcut);
    addAction(focusAddressAction_);
    connect(focusAddressAction_, &QAction::triggered, this, [this] {
        raise();
        activateWindow();
        addressEdit->setFocus(Qt::ShortcutFocusReason);
        addressEdit->selectAll();
    });
    setObjectNames({{fileMenu_, "fileMenu"},
                    {newSequenceAction_, "newSequenceAction"},
                    {editSequenceAction_, "editSequenceAction"},
                    {saveSequenceAction_, "saveSequenceAction"},
                    {openFileAction_, "openFileAction"},
                    {importHarAction_, "importHarAction"},
                    {saveFileAction_, "saveFileAction"},
                    {exportAction_, "exportAction"},
                    {exportLocustAction_, "exportLocustAction"},
                    {exportHarAction_, "exportHarAction"},
                    {exportJUnitAction_, "exportJUnitAction"},
                    {recentMenu_, "recentMenu"},
                    {trialRunAction_, "trialRunAction"},
                    {exitAction_, "exitAction"},
                    {editMenu_, "editMenu"},
                    {undoAction_, "undoAction"},
                    {viewMenu_, "viewMenu"},
                    {resultsAction_, "resultsAction"},
                    {helpMenu_, "helpMenu"},
                    {gettingStartedAction_, "gettingStartedAction"},
                    {aboutAction_, "aboutAction"},
                    {focusAddressAction_, "focusAddressAction"}});
}

void MainWindow::connectCommands()
{
    shareCommand(newButton_, newSequenceAction_);
    shareCommand(editButton_, editSequenceAction_);
    shareCommand(saveButton_, saveSequenceAction_);
    shareCommand(helpButton_, gettingStartedAction_);
    connect(newSequenceAction_, &QAction::triggered, this, &MainWindow::newSequenceTriggered);
    connect(editSequenceAction_, &QAction::triggered, this, &MainWindow::editSequenceTriggered);
    connect(saveSequenceAction_, &QAction::triggered, this, &MainWindow::saveSequenceTriggered);
    connect(trialRunAction_, &QAction::triggered, this, &MainWindow::trialRunTriggered);
    connect(exitAction_, &QAction::triggered, this, &MainWindow::exitTriggered);
    connect(undoAction_, &QAction::triggered, this, &MainWindow::undoTriggered);
    connect(openFileAction_, &QAction::triggered, files_, [this] {
        if (maySequenceGo())
            files_->askAndOpen();
    });
    connect(importHarAction_, &QAction::triggered, files_, [this] {
        if (maySequenceGo())
            files_->askAndImportHar();
    });
    connect(saveFileAction_, &QAction::triggered, files_,
            [this] { whenBodiesConfirmed([this] { files_->askAndSave(); }); });
    connect(exportAction_, &QAction::triggered, files_,
            [this] { whenBodiesConfirmed([this] { files_->askAndExport(); }); });
    connect(exportLocustAction_, &QAction::triggered, files_,
            [this] { whenBodiesConfirmed([this] { files_->askAndExportLocust(); }); });
    connect(exportHarAction_, &QAction::triggered, files_,
            [this] { files_->askAndExportHar(controlPanel().lastRun()); });
    connect(exportJUnitAction_, &QAction::triggered, files_,
            [this] { files_->askAndExportJUnit(controlPanel().trialRunReport()); });
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] {
        recentMenu_->clear();
        for (const QString& path : files_->recentFiles())
            connect(recentMenu_->addAction(path), &QAction::triggered, files_, [this, path] {
                if (maySequenceGo())
                    files_->open(path);
            });
    });
    // Greyed in the open menu when there is nothing to undo; the key stays live otherwise.
    connect(editMenu_, &QMenu::aboutToShow, undoAction_,
            [this] { undoAction_->setEnabled(undo_.canUndo()); });
    connect(editMenu_, &QMenu::aboutToHide, undoAction_, [this] { undoAction_->setEnabled(true); });
    connect(gettingStartedAction_, &QAction::triggered, this, &MainWindow::gettingStartedTriggered);
    connect(aboutAction_, &QAction::triggered, this, &MainWindow::aboutTriggered);
    connect(resultsAction_, &QAction::triggered, this,
            [this] { runTrapped([this] { showResultsWindow(); }); });
    connect(goButton, &QPushButton::clicked, this, &MainWindow::goClicked);
}

void MainWindow::localize()
{
    // Captions first, then the font, control by control: a failing lookup leaves every later
    // control with its design text.
    refreshTitle();
    fileMenu_->setTitle(loadText(TextId::FileMenu));
    setCaption(editButton_, TextId::EditSequence);
    setCaption(addressLabel_, TextId::Address);
    helpMenu_->setTitle(loadText(TextId::Help));
    editMenu_->setTitle(loadText(TextId::EditMenu));
    viewMenu_->setTitle(loadText(TextId::ViewMenu));
    resultsAction_->setText(loadText(TextId::TestRunResults));
    setCaption(newButton_, TextId::NewSequence);
    setCaption(saveButton_, TextId::SaveSequence);
    setCaption(goButton, TextId::Go);
    setCaption(helpButton_, TextId::Help);
    editSequenceAction_->setText(loadText(TextId::EditSequence));
    newSequenceAction_->setText(loadText(TextId::NewSequence));
    saveSequenceAction_->setText(loadText(TextId::SaveSequence));
    exitAction_->setText(loadText(TextId::Exit));
    aboutAction_->setText(loadText(TextId::AboutWaytrace));
    gettingStartedAction_->setText(loadText(TextId::GettingStarted));
    trialRunAction_->setText(loadText(TextId::TrialRun));
    undoAction_->setText(loadText(TextId::Undo));
    openFileAction_->setText(loadText(TextId::OpenFile));
    importHarAction_->setText(loadText(TextId::ImportHar));
    saveFileAction_->setText(loadText(TextId::SaveToFile));
    exportAction_->setText(loadText(TextId::ExportCurlScript));
    exportLocustAction_->setText(loadText(TextId::ExportLocustFile));
    exportHarAction_->setText(loadText(TextId::ExportTrialRunHar));
    exportJUnitAction_->setText(loadText(TextId::ExportTrialRunJUnit));
    recentMenu_->setTitle(loadText(TextId::RecentFiles));
}

void MainWindow::layOut()
{
    layout_ = layoutMainWindow(outerWidth(), outerHeight(), layout_);
    pageBrowser_->setWidth(layout_.browserWidth);
    pageBrowser_->setHeight(layout_.browserHeight);
    addressFrame_->resize(twipsToPixels(layout_.addressFrameWidth), addressFrame_->height());
    commandFrame_->resize(twipsToPixels(layout_.commandFrameWidth), commandFrame_->height());
    goButton->move(twipsToPixels(layout_.goLeft), goButton->y());
    separatorLine_->resize(twipsToPixels(layout_.lineX2), separatorLine_->height());
    addressEdit->resize(twipsToPixels(layout_.addressWidth), addressEdit->height());
    placeLoadProgressBar();
}

void MainWindow::placeLoadProgressBar()
{
    constexpr int kHeight = 3;
    loadProgressBar_->setGeometry(2, addressEdit->height() - kHeight - 1, addressEdit->width() - 4,
                                  kHeight);
}

int MainWindow::outerWidth() const
{
    return frameGeometry().width() * kTwipsPerPixel;
}

int MainWindow::outerHeight() const
{
    return frameGeometry().height() * kTwipsPerPixel;
}

} // namespace waytrace
