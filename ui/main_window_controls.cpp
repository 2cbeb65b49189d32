// The main window's controls and menus, their captions, and the application of the layout
// rules; what the controls do is in main_window.cpp.

#include "main_window.h"

#include "design_controls.h"
#include "program_icon.h"
#include "text.h"

#include "platform/browser.h"
#include "platform/twips.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
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

void setObjectNames(std::initializer_list<std::pair<QObject*, const char*>> names)
{
    for (const auto& [object, name] : names)
        object->setObjectName(QLatin1String(name));
}

} // namespace

void MainWindow::buildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    pageBrowser = browsers_.pageBrowser(this);
    uploadChannel = browsers_.uploadChannel(this);

    commandFrame = new QGroupBox(client);
    commandFrame->setGeometry(twipsRect(240, 25, 10695, 945));
    logoLabel = new QLabel(commandFrame);
    logoLabel->setGeometry(twipsRect(240, 120, 2070, 675));
    logoLabel->setPixmap(logoPicture());
    editButton = new QPushButton(QStringLiteral("&Edit Sequence"), commandFrame);
    editButton->setGeometry(twipsRect(4800, 240, 1600, 495));
    editButton->setToolTip(
        QStringLiteral("  Open up Sequence Control Panel and specific match criteria"));
    newButton = new QPushButton(QStringLiteral("&New Sequence"), client);
    newButton->setGeometry(twipsRect(3120, 240, 1600, 495));
    newButton->setToolTip(QStringLiteral("  Record a new URL Sequence"));
    saveButton = new QPushButton(QStringLiteral("&Save Sequence"), client);
    saveButton->setGeometry(twipsRect(6960, 240, 1600, 495));
    saveButton->setToolTip(QStringLiteral("  Save the sequence in Torvane"));
    helpButton = new QPushButton(QStringLiteral("&Help"), client);
    helpButton->setGeometry(twipsRect(8880, 240, 1600, 495));

    addressFrame = new QGroupBox(client);
    addressFrame->setGeometry(twipsRect(360, 1125, 10455, 450));
    addressFrame->setFlat(true);
    addressLabel = new QLabel(QStringLiteral("Address:"), addressFrame);
    // Wider than designed (615) so that the caption fits with the desktop's fonts; it still ends
    // before the address box.
    addressLabel->setGeometry(twipsRect(0, 120, 705, 495));
    addressLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    addressEdit = new QLineEdit(QStringLiteral("about:blank"), client);
    addressEdit->setGeometry(twipsRect(1080, 1200, 8175, 345));
    liftLengthLimit(addressEdit);
    goButton = new QPushButton(QStringLiteral("Go"), client);
    goButton->setGeometry(twipsRect(9600, 1200, 700, 375));

    if (auto* view = pageBrowser->widget()) {
        view->setParent(client);
        view->setGeometry(twipsRect(240, 1800, 10575, 11070));
    }

    separatorLine = new QFrame(client);
    separatorLine->setGeometry(0, 0, twipsToPixels(10560), 1);
    separatorLine->setAutoFillBackground(true);
    QPalette linePalette = separatorLine->palette();
    linePalette.setColor(QPalette::Window, palette().color(QPalette::Inactive, QPalette::Mid));
    separatorLine->setPalette(linePalette);

    // Tests find the controls by these names.
    setObjectNames({{commandFrame, "commandFrame"},
                    {logoLabel, "logoLabel"},
                    {editButton, "editButton"},
                    {newButton, "newButton"},
                    {saveButton, "saveButton"},
                    {helpButton, "helpButton"},
                    {addressFrame, "addressFrame"},
                    {addressLabel, "addressLabel"},
                    {addressEdit, "addressEdit"},
                    {goButton, "goButton"},
                    {separatorLine, "separatorLine"}});

    // Focus order: the browser, the address bar, then the buttons.
    setTabChain({pageBrowser->widget(), addressEdit, goButton, editButton, saveButton, newButton,
                 helpButton});
}

void MainWindow::buildMenus()
{
    fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    newSequenceAction = fileMenu->addAction(QStringLiteral("&New Sequence"));
    newSequenceAction->setShortcut(Qt::CTRL | Qt::Key_M);
    editSequenceAction = fileMenu->addAction(QStringLiteral("&Edit this Sequence"));
    editSequenceAction->setShortcut(Qt::CTRL | Qt::Key_E);
    saveSequenceAction = fileMenu->addAction(QStringLiteral("&Save this Sequence"));
    saveSequenceAction->setShortcut(Qt::CTRL | Qt::Key_S);
    exitAction = fileMenu->addAction(QStringLiteral("E&xit"));

    helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    gettingStartedAction = helpMenu->addAction(QStringLiteral("&Getting Started"));
    gettingStartedAction->setShortcut(Qt::Key_F1);
    aboutAction = helpMenu->addAction(QStringLiteral("&About Waytrace"));
    aboutAction->setShortcut(Qt::CTRL | Qt::Key_A);
    setObjectNames({{fileMenu, "fileMenu"},
                    {newSequenceAction, "newSequenceAction"},
                    {editSequenceAction, "editSequenceAction"},
                    {saveSequenceAction, "saveSequenceAction"},
                    {exitAction, "exitAction"},
                    {helpMenu, "helpMenu"},
                    {gettingStartedAction, "gettingStartedAction"},
                    {aboutAction, "aboutAction"}});
}

void MainWindow::connectCommands()
{
    shareCommand(newButton, newSequenceAction);
    shareCommand(editButton, editSequenceAction);
    shareCommand(saveButton, saveSequenceAction);
    shareCommand(helpButton, gettingStartedAction);
    connect(newSequenceAction, &QAction::triggered, this, &MainWindow::newSequenceTriggered);
    connect(editSequenceAction, &QAction::triggered, this, &MainWindow::editSequenceTriggered);
    connect(saveSequenceAction, &QAction::triggered, this, &MainWindow::saveSequenceTriggered);
    connect(exitAction, &QAction::triggered, this, &MainWindow::exitTriggered);
    connect(gettingStartedAction, &QAction::triggered, this, &MainWindow::gettingStartedTriggered);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::aboutTriggered);
    connect(goButton, &QPushButton::clicked, this, &MainWindow::goClicked);
}

void MainWindow::localize()
{
    // Captions first, then the font, control by control: a failing lookup leaves every later
    // control with its design text.
    setWindowTitle(loadText(TextId::MainTitle));
    fileMenu->setTitle(loadText(TextId::FileMenu));
    setCaption(editButton, TextId::EditSequence);
    setCaption(addressLabel, TextId::Address);
    helpMenu->setTitle(loadText(TextId::Help));
    setCaption(newButton, TextId::NewSequence);
    setCaption(saveButton, TextId::SaveSequence);
    setCaption(goButton, TextId::Go);
    setCaption(helpButton, TextId::Help);
    editSequenceAction->setText(loadText(TextId::EditSequence));
    newSequenceAction->setText(loadText(TextId::NewSequence));
    saveSequenceAction->setText(loadText(TextId::SaveSequence));
    exitAction->setText(loadText(TextId::Exit));
    aboutAction->setText(loadText(TextId::AboutWaytrace));
    gettingStartedAction->setText(loadText(TextId::GettingStarted));
}

void MainWindow::layOut()
{
    layout_ = layoutMainWindow(outerWidth(), outerHeight(), layout_);
    pageBrowser->setWidth(layout_.browserWidth);
    pageBrowser->setHeight(layout_.browserHeight);
    addressFrame->resize(twipsToPixels(layout_.addressFrameWidth), addressFrame->height());
    commandFrame->resize(twipsToPixels(layout_.commandFrameWidth), commandFrame->height());
    goButton->move(twipsToPixels(layout_.goLeft), goButton->y());
    separatorLine->resize(twipsToPixels(layout_.lineX2), separatorLine->height());
    addressEdit->resize(twipsToPixels(layout_.addressWidth), addressEdit->height());
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
