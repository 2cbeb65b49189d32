#pragma once

#include "core/recorded_sequence.h"
#include "core/sequence_undo.h"
#include "trial_run_texts.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QItemSelection;
class QListView;
class QPushButton;

namespace waytrace {

class AcceptedCertificates;
class TrialRun;
class UrlListModel;

// The control panel: lists the recorded sequence, shows the selected record's details and
// stores every edit straight into that record; the Delete key removes the selected record.
// It keeps no data of its own: the sequence handed to it is the master, read and changed in
// place. The record of list entry i is record i + 1, looked up afresh for every event.
//
// Lifetime: the Close button only hides the panel, keeping its list, selection and details.
// The window's close box destroys it (Qt::WA_DeleteOnClose), so the owner holds it in a
// QPointer<ControlPanel> and builds a new one when that pointer is null; building runs the load
// step again (refill, then texts and fonts).
class ControlPanel : public QWidget
{
    Q_OBJECT

public:
    // `undo` keeps what Del removes so that it can be put back; without one, Del is final.
    explicit ControlPanel(RecordedSequence& sequence, SequenceUndo* undo = nullptr,
                          QWidget* parent = nullptr);
    ~ControlPanel() override;

    // Refills the list from the sequence and selects (and so displays) the entry at 0-based
    // `row`: by default, or past the end, the last one.
    void reloadList(int row = -1);

    // Offers a command in the list's context menu (the main window's Undo).
    void addListAction(QAction* action);

    // Replays the sequence as the monitor will and shows each URL's result in the list; the
    // records are not changed. Does nothing while a run is under way (control_panel_trial_run.cpp).
    void startTrialRun();
    [[nodiscard]] bool isTrialRunning() const;
    // Asked before each run starts: calls `run` once the run may go (the browser's bodies
    // confirmed, passwords a file left out supplied), or never.
    using TrialRunGate = std::function<void(std::function<void()> run)>;
    void setTrialRunGate(TrialRunGate gate) { trialRunGate_ = std::move(gate); }
    // The certificates the user let through in the browser, which the run accepts too.
    void acceptCertificates(std::shared_ptr<const AcceptedCertificates> accepted);

    // The results of the run under way or the last one, in the order the URLs ran.
    [[nodiscard]] const QList<TrialRunResult>& lastRun() const { return lastRun_; }
    // The run under way or the last one, every step with its verdict so far.
    [[nodiscard]] const TrialRunReport& trialRunReport() const { return report_; }
    [[nodiscard]] QString trialRunSummary() const;
    // Selects the entry of `record`, if it is still in the list.
    void selectRecord(const UrlRecord* record);

    // 0-based position of the selected entry, -1 for none.
    [[nodiscard]] int selectedPosition() const;

    // Where new steps go (control_panel_order.cpp): after the selected step, or at the end.
    void recordAfterSelected();
    void recordAtEnd();
    // Moves the selected step one place up or down, to be undone.
    void moveSelected(int by);

signals:
    // The user changed the sequence here: a field, a condition, a removed or moved step.
    void edited();
    // New steps now go elsewhere: after another step, or at the end.
    void recordingPlaceChanged();
    // A trial run ended: lastRun() holds its results.
    void trialRunEnded();
    // A run started (trialRunReport() holds its steps), or a step of it has its result.
    void trialRunStarted();
    void trialRunStepReported(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the controls are and what they offer (control_panel_controls.cpp), what they do.
    void buildControls();
    void fillChoices();
    void connectControls();
    // The list's commands for where steps stand, and whether each applies now.
    void buildOrderActions();
    void updateOrderActions();
    void updateDetailsEnabled();
    void load();
    [[nodiscard]] RecordRef selectedRecord() const;

    void urlListSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void urlListKeyPressed(QKeyEvent* event);
    void closeClicked();
    void trialRunClicked();
    void runTrial();
    // Gives each step without "must be found" keywords a phrase of its page that its
    // neighbours do not show and the last run's answer holds; Undo takes them back.
    void suggestChecks();
    // Whether the run is to send the POST steps, asking the first time there are any; none:
    // the user cancelled.
    std::optional<bool> askAboutPosts();
    void trialRunStepStarted(int position, int count, const UrlRecord* record);
    void trialRunStepFinished(const TrialRunResult& result);
    void trialRunFinished(bool cancelled);

    // A detail box and the record field it edits.
    struct DetailBox
    {
        QLineEdit* box;
        RecordTextField field;
    };
    // Stores the box's whole text into the selected record. Runs at each key release in the
    // box and also at every other edit by the user (paste, cut, input method), which would
    // otherwise be lost when the selection moves on before a key is released there.
    void detailBoxEdited(const DetailBox& detail);

    void responseConditionActivated(int index);
    void responseCodeActivated(int index);

    // The controls, in tab order; tests find them by object name (the member's name without "_").
    QGroupBox* urlListFrame_;
    QListView* urlList_;
    QAction* recordAfterAction_ = nullptr;
    QAction* recordAtEndAction_ = nullptr;
    QAction* moveUpAction_ = nullptr;
    QAction* moveDownAction_ = nullptr;
    QAction* suggestChecksAction_ = nullptr; // once a test run has answers to check against
    QLabel* urlDetailsLabel_;
    QGroupBox* urlLabelFrame_;
    QLineEdit* urlLabelEdit_;
    QGroupBox* alertFrame_;
    QLabel* requiredKeywordsLabel_;
    QLineEdit* requiredKeywordsEdit_;
    QLabel* forbiddenKeywordsLabel_;
    QLineEdit* forbiddenKeywordsEdit_; // a child of the window, lying over alertFrame_
    QLabel* responseCodeLabel_;
    QComboBox* responseConditionBox_;
    QComboBox* responseCodeBox_;
    QGroupBox* loginFrame_;
    QLabel* userNameLabel_;
    QLineEdit* userNameEdit_;
    QLabel* passwordLabel_;
    QLineEdit* passwordEdit_;
    QLabel* deleteHintLabel_;
    QLabel* trialRunProgressLabel_; // in the hint's place while a trial run is under way
    QPushButton* trialRunButton_;
    QPushButton* closeButton_;

    RecordedSequence& sequence_;
    SequenceUndo* undo_;
    UrlListModel* model_;
    TrialRun* trialRun_;
    TrialRunGate trialRunGate_;
    bool postsAgreed_ = false; // the user let a run send the POST steps
    std::array<DetailBox, 5> detailBoxes_{};
    TrialRunReport report_; // of the run under way or last run
    QList<TrialRunResult> lastRun_;
};

} // namespace waytrace
