#include "control_panel.h"

#include "design_controls.h"
#include "network/test_run.h"
#include "text.h"
#include "url_list_model.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>

// The control panel's test run: the button, the progress shown while it goes, the results in the
// list. The panel is built in control_panel.cpp.

namespace waytrace {

void ControlPanel::startTestRun()
{
    if (isTestRunning() || sequence_.count() == 0)
        return;
    // Every URL run gets its entry, also those recorded since the last refill; the selection
    // stays where it was.
    const int selected = selectedPosition();
    reloadList();
    if (selected >= 0 && selected < model_->rowCount())
        urlList_->setCurrentIndex(model_->index(selected));
    model_->clearResults();
    deleteHintLabel_->hide();
    testRunProgressLabel_->show();
    setCaption(testRunButton_, TextId::StopTestRun);
    testRun_->start(sequence_);
}

bool ControlPanel::isTestRunning() const
{
    return testRun_->isRunning();
}

void ControlPanel::testRunClicked()
{
    if (isTestRunning())
        testRun_->cancel();
    else
        startTestRun();
}

void ControlPanel::testRunStepStarted(int position, int count, const UrlRecord* record)
{
    testRunProgressLabel_->setText(loadText(TextId::TestRunProgress).arg(position).arg(count));
    model_->setRunning(record);
}

void ControlPanel::testRunFinished()
{
    model_->setRunning(nullptr);
    testRunProgressLabel_->hide();
    deleteHintLabel_->show();
    setCaption(testRunButton_, TextId::TestRun);
}

} // namespace waytrace
