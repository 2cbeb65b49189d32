#pragma once

#include "browser_factory.h"
#include "main_window_layout.h"

#include "core/recorded_sequence.h"
#include "core/sequence_undo.h"
#include "recording/recorder.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QMenu;
class QPushButton;

namespace waytrace {

class Browser;
class ControlPanel;
class NewWindowRequest;
class PageMenuRequest;
class AboutWindow;
class TrialRunResultsWindow;
class PopupWindow;
class UploadChannel;
class UploadFlow;
class SequenceFiles;
class UploadDialog;

// The main window: the browser in which the user records, the address bar, the command buttons
// and menus. It owns the recorded sequence and the other windows, which it creates on first
// use: each exists at most once.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `helpUrl` is the online help page: opened by the help commands, never recorded.
    explicit MainWindow(BrowserFactory browsers, QString helpUrl = defaultHelpUrl(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString defaultHelpUrl();

    // The recorded sequence; every window reads and edits these very records.
    [[nodiscard]] RecordedSequence& sequence() { return recorder_.sequence(); }

    // Starts a new, empty recording.
    void startNewSequence();
    // Saves the sequence into the monitoring server.
    void save();
    // Open File… and Save to File…, and which file the sequence is kept in.
    [[nodiscard]] SequenceFiles& files() { return *files_; }
    // What the main and the popup browser record into.
    [[nodiscard]] Recorder& recorder() { return recorder_; }

    // The other windows, created on first use.
    ControlPanel& controlPanel();
    PopupWindow& popup();
    UploadDialog& uploadDialog();
    TrialRunResultsWindow& resultsWindow();
    [[nodiscard]] bool hasPopup() const;

    // Title of the main window's message boxes; empty until the first resize.
    [[nodiscard]] const QString& mainMessageTitle() const { return mainMessageTitle_; }
    [[nodiscard]] const QString& helpUrl() const { return helpUrl_; }
    [[nodiscard]] const MainWindowLayout& currentLayout() const { return layout_; }
    // Outer size, frame included, in twips.
    [[nodiscard]] int outerWidth() const;
    [[nodiscard]] int outerHeight() const;

    // The start address from the command line goes in through these.
    QLineEdit* addressEdit;
    QPushButton* goButton;

protected:
    bool event(QEvent* event) override;
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
    void navigateToAddress();
    void openHelpPage();
    void showControlPanel();
    void showResultsWindow();
    // Says over the page that what was typed is no web address.
    void sayNotAnAddress(const QString& typed);
    void placeBeside(QWidget* window);
    bool isMenuShortcut(QObject* receiver, QEvent* event) const;
    // Ctrl+A in a text box or the page is select-all there, not About.
    bool keepsSelectAll(QObject* receiver, QEvent* event) const;

    void goClicked();
    void addressEditKeyPressed(QKeyEvent* event);
    void newSequenceTriggered();
    void editSequenceTriggered();
    void saveSequenceTriggered();
    void trialRunTriggered();
    void undoTriggered();
    void refreshTitle();
    // Whether the sequence may be replaced or the program end: asks to save unsaved work
    // first. False when the user chose to stay.
    bool maySequenceGo();
    // Runs `action` once the browser confirmed the bodies it still owes: what is saved,
    // exported or run holds the bodies as sent.
    void whenBodiesConfirmed(std::function<void()> action);
    void gettingStartedTriggered();
    void exitTriggered();
    void aboutTriggered();

    void pageBrowserNewWindow2(NewWindowRequest& request);
    void pageBrowserDocumentComplete(const QString& url);
    void reloadControlPanel();
    // The page's context menu offers its selection (or title) as a keyword of the step that
    // loaded it.
    void offerChecks(const Browser& browser, PageMenuRequest& request);
    void setKeyword(const RecordRef& step, RecordTextField field, const QString& text);
    void placeLoadProgressBar();

    // The browser, the upload channel and the controls, each with its name as object name.
    Browser* pageBrowser_;
    UploadChannel* uploadChannel_;
    QGroupBox* commandFrame_;
    QLabel* logoLabel_;
    QPushButton* editButton_;
    QPushButton* newButton_;
    QPushButton* saveButton_;
    QPushButton* helpButton_;
    QGroupBox* addressFrame_;
    QLabel* addressLabel_;
    QPointer<QLabel> addressProblemLabel_; // made when first needed
    QFrame* separatorLine_;
    // A thin bar along the foot of the address box while the page loads: no control moves.
    QProgressBar* loadProgressBar_;

    // The commands, each shared by its menu item and its button.
    QMenu* fileMenu_;
    QAction* newSequenceAction_;
    QAction* editSequenceAction_;
    QAction* saveSequenceAction_;
    QAction* openFileAction_;
    QAction* importHarAction_;
    QAction* saveFileAction_;
    QAction* exportAction_;
    QAction* exportLocustAction_;
    QAction* exportHarAction_;   // on once a test run has results
    QAction* exportJUnitAction_; // likewise
    QMenu* recentMenu_;          // rebuilt each time it opens
    QAction* trialRunAction_;
    QAction* exitAction_;
    QMenu* editMenu_;
    QAction* undoAction_;
    QMenu* viewMenu_;
    QAction* resultsAction_; // the test run's results window
    QMenu* helpMenu_;
    QAction* gettingStartedAction_;
    QAction* aboutAction_;
    QAction* focusAddressAction_; // Ctrl+L, F6

    Recorder recorder_;
    SequenceUndo undo_; // what New Sequence, a save and the panel's Del took out
    SequenceFiles* files_;
    BrowserFactory browsers_;
    QString helpUrl_;
    bool framed_ = false; // whether the window manager's frame is known yet
    QString mainMessageTitle_;
    MainWindowLayout layout_;
    QPointer<ControlPanel> panel_;
    QPointer<PopupWindow> popup_;
    QPointer<UploadDialog> uploadDialog_;
    QPointer<AboutWindow> about_;
    QPointer<TrialRunResultsWindow> results_;
    UploadFlow* upload_;
};

} // namespace waytrace
