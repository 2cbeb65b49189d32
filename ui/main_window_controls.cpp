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

void Form1::buildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    WebBrowser1 = browsers_.pageBrowser(this);
    postbrowser = browsers_.uploadBrowser(this);

    Frame1 = new QGroupBox(client);
    Frame1->setGeometry(twipsRect(240, 25, 10695, 945));
    Image1 = new QLabel(Frame1);
    Image1->setGeometry(twipsRect(240, 120, 2070, 675));
    Image1->setPixmap(logoPicture());
    edit = new QPushButton(QStringLiteral("&Edit Sequence"), Frame1);
    edit->setGeometry(twipsRect(4800, 240, 1600, 495));
    edit->setToolTip(
        QStringLiteral("  Open up Sequence Control Panel and specific match criteria"));
    Clear = new QPushButton(QStringLiteral("&New Sequence"), client);
    Clear->setGeometry(twipsRect(3120, 240, 1600, 495));
    Clear->setToolTip(QStringLiteral("  Record a new URL Sequence"));
    Upload = new QPushButton(QStringLiteral("&Save Sequence"), client);
    Upload->setGeometry(twipsRect(6960, 240, 1600, 495));
    Upload->setToolTip(QStringLiteral("  Save the sequence in Torvane"));
    btnhelp = new QPushButton(QStringLiteral("&Help"), client);
    btnhelp->setGeometry(twipsRect(8880, 240, 1600, 495));

    Frame2 = new QGroupBox(client);
    Frame2->setGeometry(twipsRect(360, 1125, 10455, 450));
    Frame2->setFlat(true);
    Address = new QLabel(QStringLiteral("Address:"), Frame2);
    // Wider than designed (615) so that the caption fits with the desktop's fonts; it still ends
    // before the address box.
    Address->setGeometry(twipsRect(0, 120, 705, 495));
    Address->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    urladdress = new QLineEdit(QStringLiteral("about:blank"), client);
    urladdress->setGeometry(twipsRect(1080, 1200, 8175, 345));
    liftLengthLimit(urladdress);
    go = new QPushButton(QStringLiteral("Go"), client);
    go->setGeometry(twipsRect(9600, 1200, 700, 375));

    if (auto* view = WebBrowser1->widget()) {
        view->setParent(client);
        view->setGeometry(twipsRect(240, 1800, 10575, 11070));
    }

    Line1 = new QFrame(client);
    Line1->setGeometry(0, 0, twipsToPixels(10560), 1);
    Line1->setAutoFillBackground(true);
    QPalette linePalette = Line1->palette();
    linePalette.setColor(QPalette::Window, palette().color(QPalette::Inactive, QPalette::Mid));
    Line1->setPalette(linePalette);

    // Focus order: the browser, the address bar, then the buttons.
    setTabChain({WebBrowser1->widget(), urladdress, go, edit, Upload, Clear, btnhelp});
}

void Form1::buildMenus()
{
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnunewseq = mnufile->addAction(QStringLiteral("&New Sequence"));
    mnunewseq->setShortcut(Qt::CTRL | Qt::Key_M);
    mnueditseq = mnufile->addAction(QStringLiteral("&Edit this Sequence"));
    mnueditseq->setShortcut(Qt::CTRL | Qt::Key_E);
    mnusaveseq = mnufile->addAction(QStringLiteral("&Save this Sequence"));
    mnusaveseq->setShortcut(Qt::CTRL | Qt::Key_S);
    mnuexit = mnufile->addAction(QStringLiteral("E&xit"));

    Help = menuBar()->addMenu(QStringLiteral("&Help"));
    start = Help->addAction(QStringLiteral("&Getting Started"));
    start->setShortcut(Qt::Key_F1);
    aboutrecorder = Help->addAction(QStringLiteral("&About Waytrace"));
    aboutrecorder->setShortcut(Qt::CTRL | Qt::Key_A);
}

void Form1::connectCommands()
{
    shareCommand(Clear, mnunewseq);
    shareCommand(edit, mnueditseq);
    shareCommand(Upload, mnusaveseq);
    shareCommand(btnhelp, start);
    connect(mnunewseq, &QAction::triggered, this, &Form1::newSequenceTriggered);
    connect(mnueditseq, &QAction::triggered, this, &Form1::editSequenceTriggered);
    connect(mnusaveseq, &QAction::triggered, this, &Form1::saveSequenceTriggered);
    connect(mnuexit, &QAction::triggered, this, &Form1::exitTriggered);
    connect(start, &QAction::triggered, this, &Form1::gettingStartedTriggered);
    connect(aboutrecorder, &QAction::triggered, this, &Form1::aboutTriggered);
    connect(go, &QPushButton::clicked, this, &Form1::goClicked);
}

void Form1::localize()
{
    // Captions first, then the font, control by control: a failing lookup leaves every later
    // control with its design text.
    setWindowTitle(LoadText(101));
    mnufile->setTitle(LoadText(102));
    setCaption(edit, 105);
    setCaption(Address, 107);
    Help->setTitle(LoadText(103));
    setCaption(Clear, 104);
    setCaption(Upload, 106);
    setCaption(go, 108);
    setCaption(btnhelp, 103);
    mnueditseq->setText(LoadText(105));
    mnunewseq->setText(LoadText(104));
    mnusaveseq->setText(LoadText(106));
    mnuexit->setText(LoadText(110));
    aboutrecorder->setText(LoadText(112));
    start->setText(LoadText(111));
}

void Form1::layOut()
{
    layout_ = layoutMainWindow(outerWidth(), outerHeight(), layout_);
    WebBrowser1->setWidth(layout_.browserWidth);
    WebBrowser1->setHeight(layout_.browserHeight);
    Frame2->resize(twipsToPixels(layout_.frame2Width), Frame2->height());
    Frame1->resize(twipsToPixels(layout_.frame1Width), Frame1->height());
    go->move(twipsToPixels(layout_.goLeft), go->y());
    Line1->resize(twipsToPixels(layout_.lineX2), Line1->height());
    urladdress->resize(twipsToPixels(layout_.addressWidth), urladdress->height());
}

int Form1::outerWidth() const
{
    return frameGeometry().width() * kTwipsPerPixel;
}

int Form1::outerHeight() const
{
    return frameGeometry().height() * kTwipsPerPixel;
}

} // namespace waytrace
