#pragma once

#include "browser_factory.h"
#include "main_window_layout.h"

#include "core/url_sequence.h"
#include "recording/recorder.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace waytrace {

class Browser;
class controlpanel;
class frmAbout;
class popup_form;
class UploadFlow;
class Uploaddialog;

// The main window: the browser in which the user records, the address bar, the command buttons
// and menus. It owns the recorded sequence and the other windows, which it creates on first
// use: each exists at most once.
class Form1 : public QMainWindow
{
    Q_OBJECT

    // First: the public sequence below is the recorder's.
    Recorder recorder_;

public:
    // `helpUrl` is the online help page: opened at start and by the help commands, never
    // recorded.
    explicit Form1(BrowserFactory browsers, QString helpUrl = defaultHelpUrl(),
                   QWidget* parent = nullptr);
    ~Form1() override;

    static QString defaultHelpUrl();

    // The recorded sequence; every window reads and edits these very records.
    UrlSequence& urlarray;
    // Set by the upload dialog: true after Cancel, false after a valid OK.
    bool uploadcancel = false;

    // Starts a new, empty recording.
    void clearbrowser();
    // Saves the sequence into the monitoring server.
    void save();
    // What the main and the popup browser record into.
    [[nodiscard]] Recorder& recorder() { return recorder_; }

    // The other windows, created on first use.
    controlpanel& controlPanel();
    popup_form& popup();
    Uploaddialog& uploadDialog();
    [[nodiscard]] bool hasPopup() const;

    // Title of the main window's message boxes; empty until the first resize.
    [[nodiscard]] const QString& mainMessageTitle() const { return mainMessageTitle_; }
    [[nodiscard]] const QString& helpUrl() const { return helpUrl_; }
    [[nodiscard]] const MainWindowLayout& currentLayout() const { return layout_; }
    // Outer size, frame included, in twips.
    [[nodiscard]] int outerWidth() const;
    [[nodiscard]] int outerHeight() const;

    Browser* WebBrowser1;
    Browser* postbrowser;
    QGroupBox* Frame1;
    QLabel* Image1;
    QPushButton* edit;
    QPushButton* Clear;
    QPushButton* Upload;
    QPushButton* btnhelp;
    QGroupBox* Frame2;
    QLabel* Address;
    QLineEdit* urladdress;
    QPushButton* go;
    QFrame* Line1;

    // The commands, each shared by its menu item and its button.
    QMenu* mnufile;
    QAction* mnunewseq;
    QAction* mnueditseq;
    QAction* mnusaveseq;
    QAction* mnuexit;
    QMenu* Help;
    QAction* start;
    QAction* aboutrecorder;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building and laying out (main_window_controls.cpp).
    void buildControls();
    void buildMenus();
    void connectCommands();
    void localize();
    void layOut();

    void load();
    void NavigateToAddress();
    void openHelpPage();
    void showControlPanel();
    void placeBeside(QWidget* window) const;
    bool isMenuShortcut(QObject* receiver, QEvent* event) const;

    void goClicked();
    void urladdressKeyPressed(QKeyEvent* event);
    void newSequenceTriggered();
    void editSequenceTriggered();
    void saveSequenceTriggered();
    void gettingStartedTriggered();
    void exitTriggered();
    void aboutTriggered();

    void webBrowser1NewWindow2(Browser*& ppDisp, bool& cancel);
    void webBrowser1DocumentComplete(const QString& url);
    void reloadControlPanel();

    BrowserFactory browsers_;
    QString helpUrl_;
    QString mainMessageTitle_;
    MainWindowLayout layout_;
    QPointer<controlpanel> panel_;
    QPointer<popup_form> popup_;
    QPointer<Uploaddialog> uploadDialog_;
    QPointer<frmAbout> about_;
    UploadFlow* upload_;
};

} // namespace waytrace
