#include "control_panel.h"

#include "core/sequence_undo.h"
#include "design_controls.h"
#include "message_box.h"
#include "network/suggested_checks.h"
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

void ControlPanel::acceptCertificates(std::shared_ptr<const AcceptedCertificates> accepted)
{
    trialRun_->acceptCertificates(std::move(accepted));
}

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

std::optional<bool> ControlPanel::askAboutPosts()
{
    constexpr int kListed = 10;
    QStringList posts = postSteps(sequence_);
    if (posts.isEmpty() || postsAgreed_)
        return true;
    if (posts.size() > kListed) {
        const auto more = posts.size() - kListed;
        posts.erase(posts.begin() + kListed, posts.end());
        posts << QStringLiteral("(+%1)").arg(more);
    }
    switch (askChoice(this, loadText(TextId::MessageTitle),
                      loadText(TextId::PostStepsQuestion).arg(posts.join(u'\n')),
                      {loadText(TextId::RunWithPosts), loadText(TextId::RunWithoutPosts),
                       loadText(TextId::Cancel)})) {
    case 0:
        postsAgreed_ = true;
        return true;
    case 1:
        return false;
    default:
        return std::nullopt;
    }
}

void ControlPanel::runTrial()
{
    // A run posts for real: the first that would is asked about.
    const auto posts = askAboutPosts();
    if (!posts)
        return;
    // Every URL run gets its entry, also those recorded since the last refill; the selection
    // stays where it was.
    const int selected = selectedPosition();
    reloadList();
    if (selected >= 0 && selected < model_->rowCount())
        urlList_->setCurrentIndex(model_->index(selected));
    model_->clearResults();
    lastRun_.clear();
    report_.start(sequence_, *posts);
    deleteHintLabel_->hide();
    trialRunProgressLabel_->setToolTip({});
    trialRunProgressLabel_->show();
    setCaption(trialRunButton_, TextId::StopTrialRun);
    trialRun_->start(sequence_, *posts);
    updateOrderActions();
    emit trialRunStarted();
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
    lastRun_.append(result);
    emit trialRunStepReported(report_.add(result));
}

void ControlPanel::trialRunFinished(bool cancelled)
{
    model_->setRunning(nullptr);
    report_.finish(cancelled);
    // The run's summary stays in the hint's place until the list changes; its two lines may not
    // hold every count of a long run (not run, stopped), the tooltip does.
    const QString summary = trialRunSummary();
    trialRunProgressLabel_->setText(summary);
    trialRunProgressLabel_->setToolTip(summary);
    setCaption(trialRunButton_, TextId::TrialRun);
    updateOrderActions();
    emit trialRunEnded();
}

QString ControlPanel::trialRunSummary() const
{
    TrialRunTally tally;
    for (const auto& step : report_.steps)
        if (const auto verdict = report_.verdict(step))
            tally.count(*verdict);
    const QString summary = runSummary(tally);
    return report_.stopped ? loadText(TextId::TrialRunWasStopped).arg(summary) : summary;
}

void ControlPanel::selectRecord(const UrlRecord* record)
{
    for (int row = 0; row < model_->rowCount(); ++row)
        if (model_->record(row).get() == record) {
            urlList_->setCurrentIndex(model_->index(row));
            urlList_->scrollTo(model_->index(row));
            return;
        }
}

void ControlPanel::suggestChecks()
{
    if (isTrialRunning())
        return;
    auto checks = suggestedChecks(sequence_, lastRun_);
    if (checks.empty()) {
        showMessage(this, loadText(TextId::MessageTitle), loadText(TextId::NoChecksSuggested));
        return;
    }
    if (undo_) {
        undo_->setRequiredKeywords(checks);
    } else {
        for (auto& [record, phrase] : checks)
            record->requiredKeywords = std::move(phrase);
    }
    reloadList(selectedPosition());
    emit edited();
    showMessage(this, loadText(TextId::MessageTitle),
                loadText(TextId::ChecksSuggested).arg(checks.size()));
}

} // namespace waytrace
