#include "main_window.h"

#include "about_window.h"
#include "controlpanel.h"
#include "design_controls.h"
#include "message_box.h"
#include "platform/error_trap.h"
#include "platform/twips.h"
#include "popup_window.h"
#include "program_icon.h"
#include "text.h"
#include "upload_dialog.h"

#include "output/sequence_document.h"
#include "output/upload_outcome.h"
#include "output/upload_request.h"
#include "platform/browser.h"
#include "waytrace/build_settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

const QString kBlank = QStringLiteral("about:blank");
constexpr char kPlacedProperty[] = "waytracePlaced";

QByteArray bytesOf(const ByteArray& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

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
    urladdress = new QLineEdit(kBlank, client);
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

    connect(go, &QPushButton::clicked, this, &Form1::goClicked);
    connect(Clear, &QPushButton::clicked, this, &Form1::ClearClicked);
    connect(edit, &QPushButton::clicked, this, &Form1::editClicked);
    connect(Upload, &QPushButton::clicked, this, &Form1::UploadClicked);
    connect(btnhelp, &QPushButton::clicked, this, &Form1::btnhelpClicked);
    recorder_.listen(*WebBrowser1);
    connect(&recorder_, &Recorder::credentialsStored, this, &Form1::reloadControlPanel);
    connect(WebBrowser1, &Browser::newWindow2, this, &Form1::webBrowser1NewWindow2);
    connect(WebBrowser1, &Browser::documentComplete, this, &Form1::webBrowser1DocumentComplete);
    connect(postbrowser, &Browser::navigateComplete2, this, &Form1::postbrowserNavigateComplete2);
}

void Form1::buildMenus()
{
    mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnunewseq = mnufile->addAction(QStringLiteral("&New Sequence"), this, &Form1::mnunewseqClicked);
    mnunewseq->setShortcut(Qt::CTRL | Qt::Key_M);
    mnueditseq =
        mnufile->addAction(QStringLiteral("&Edit this Sequence"), this, &Form1::mnueditseqClicked);
    mnueditseq->setShortcut(Qt::CTRL | Qt::Key_E);
    mnusaveseq =
        mnufile->addAction(QStringLiteral("&Save this Sequence"), this, &Form1::mnusaveseqClicked);
    mnusaveseq->setShortcut(Qt::CTRL | Qt::Key_S);
    mnuexit = mnufile->addAction(QStringLiteral("E&xit"), this, &Form1::mnuexitClicked);

    Help = menuBar()->addMenu(QStringLiteral("&Help"));
    start = Help->addAction(QStringLiteral("&Getting Started"), this, &Form1::startClicked);
    start->setShortcut(Qt::Key_F1);
    aboutrecorder =
        Help->addAction(QStringLiteral("&About Waytrace"), this, &Form1::aboutrecorderClicked);
    aboutrecorder->setShortcut(Qt::CTRL | Qt::Key_A);
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

int Form1::outerWidth() const
{
    return frameGeometry().width() * kTwipsPerPixel;
}

int Form1::outerHeight() const
{
    return frameGeometry().height() * kTwipsPerPixel;
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    runTrapped([this] {
        mainMessageTitle_ = LoadText(151);
        layOut();
    });
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

void Form1::ClearClicked()
{
    clearbrowser();
}

void Form1::mnunewseqClicked()
{
    clearbrowser();
}

void Form1::editClicked()
{
    runTrapped([this] { showControlPanel(); });
}

void Form1::mnueditseqClicked()
{
    runTrapped([this] { showControlPanel(); });
}

void Form1::UploadClicked()
{
    save();
}

void Form1::mnusaveseqClicked()
{
    save();
}

void Form1::btnhelpClicked()
{
    runTrapped([this] { openHelpPage(); });
}

void Form1::startClicked()
{
    runTrapped([this] { openHelpPage(); });
}

void Form1::aboutrecorderClicked()
{
    runTrapped([this] {
        if (!about_)
            about_ = new frmAbout(this);
        about_->show();
        about_->raise();
        about_->activateWindow();
    });
}

void Form1::mnuexitClicked()
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

void Form1::setUploadEnabled(bool enabled)
{
    // Button, menu item and its shortcut alike: one upload at a time.
    Upload->setEnabled(enabled);
    mnusaveseq->setEnabled(enabled);
}

void Form1::save()
{
    if (!Upload->isEnabled())
        return; // an upload is under way
    setUploadEnabled(false);
    bool sent = false;
    runTrapped([&] {
        const auto document = BuildSequenceXml(urlarray);
        PostSequence(document);
        sent = !Upload->isEnabled();
    });
    // A failure before anything was sent must not leave saving switched off for good.
    if (!sent)
        setUploadEnabled(true);
}

void Form1::PostSequence(const std::u16string& document)
{
    auto& dialog = uploadDialog();
    dialog.showModal();
    if (uploadcancel || urlarray.count() == 0) {
        setUploadEnabled(true);
        return;
    }
    const UploadFields fields{
        dialog.TName->text().toStdU16String(), dialog.Text1->text().toStdU16String(),
        dialog.host->text().toStdU16String(),  dialog.port->text().toStdU16String(),
        dialog.user->text().toStdU16String(),  dialog.password->text().toStdU16String()};
    const auto request = composeUploadRequest(
        document, fields,
        {settings::kVersionMajor, settings::kVersionMinor, settings::kVersionRevision});
    postbrowser->navigate(QString::fromStdU16String(request.address), bytesOf(request.body),
                          QString::fromStdU16String(request.headers));
}

void Form1::postbrowserNavigateComplete2(const QString& url)
{
    setUploadEnabled(true);
    runTrapped([&] {
        const auto outcome =
            classifyUploadOutcome(postbrowser->documentUrl().toStdU16String(), url.toStdU16String(),
                                  uploadDialog().port->text().toStdU16String());
        if (!outcome.message)
            return;
        showMessage(this, mainMessageTitle_, LoadText(*outcome.message));
        if (outcome.clearSequence)
            clearbrowser();
    });
}

} // namespace waytrace
