#include "control_panel.h"

#include "design_controls.h"
#include "network/trial_run.h"
#include "text.h"
#include "url_list_model.h"

#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>

// The control panel's trial run: the button, the progress shown while it goes, the results in the
// list. The panel is built in control_panel.cpp.

namespace waytrace {

void ControlPanel::startTrialRun()
{
    if (isTrialRunning() || sequence_.count() == 0)
        return;
    if (!trialRunGate_) {
        runTrial();
        return;
    }
    trialRunGate_([panel = QPointer(this)] {
        if (panel && !panel->isTrialRunning() && panel->sequence_.count() > 0)
            panel->runTrial();
    });
}

void ControlPanel::runTrial()
{
    // Every URL run gets its entry, also those recorded since the last refill; the selection
    // stays where it was.
    const int selected = selectedPosition();
    reloadList();
    if (selected >= 0 && selected < model_->rowCount())
        urlList_->setCurrentIndex(model_->index(selected));
    model_->clearResults();
    tally_ = {};
    lastRun_.clear();
    deleteHintLabel_->hide();
    trialRunProgressLabel_->show();
    setCaption(trialRunButton_, TextId::StopTrialRun);
    trialRun_->start(sequence_);
}

bool ControlPanel::isTrialRunning() const
{
    return trialRun_->isRunning();
}

void ControlPanel::trialRunClicked()
{
    if (isTrialRunning())
        trialRun_->cancel();
    else
        startTrialRun();
}

void ControlPanel::trialRunStepStarted(int position, int count, const UrlRecord* record)
{
    trialRunProgressLabel_->setText(loadText(TextId::TrialRunProgress).arg(position).arg(count));
    model_->setRunning(record);
}

void ControlPanel::trialRunStepFinished(const TrialRunResult& result)
{
    tally_.count(result);
    lastRun_.append(result);
}

void ControlPanel::trialRunFinished()
{
    model_->setRunning(nullptr);
    // The run's summary stays in the hint's place until the list changes.
    trialRunProgressLabel_->setText(runSummary(tally_));
    setCaption(trialRunButton_, TextId::TrialRun);
    emit trialRunEnded();
}

} // namespace waytrace
