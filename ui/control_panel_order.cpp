#include "control_panel.h"

#include "text.h"

#include "core/sequence_undo.h"

#include <QAction>
#include <QListView>

// The control panel's list commands: where steps stand (moving a step, recording new steps
// after a chosen one instead of at the end), and suggesting checks after a test run
// (control_panel_trial_run.cpp). The panel is built in control_panel.cpp.

namespace waytrace {

void ControlPanel::buildOrderActions()
{
    const auto add = [this](QAction*& action, const char* name, const QKeySequence& keys,
                            auto handler) {
        action = new QAction(urlList_);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        // The list's own keys: the page and the boxes keep theirs.
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, handler);
        urlList_->setContextMenuPolicy(Qt::ActionsContextMenu);
        urlList_->addAction(action);
    };
    add(recordAfterAction_, "recordAfterAction", QKeySequence(Qt::CTRL | Qt::Key_I),
        &ControlPanel::recordAfterSelected);
    add(recordAtEndAction_, "recordAtEndAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
        &ControlPanel::recordAtEnd);
    add(moveUpAction_, "moveUpAction", QKeySequence(Qt::ALT | Qt::Key_Up),
        [this] { moveSelected(-1); });
    add(moveDownAction_, "moveDownAction", QKeySequence(Qt::ALT | Qt::Key_Down),
        [this] { moveSelected(1); });
    add(suggestChecksAction_, "suggestChecksAction", QKeySequence(), &ControlPanel::suggestChecks);
}

void ControlPanel::updateOrderActions()
{
    if (!recordAfterAction_)
        return;
    recordAfterAction_->setText(loadText(TextId::RecordAfterThisStep));
    recordAtEndAction_->setText(loadText(TextId::RecordAtTheEnd));
    moveUpAction_->setText(loadText(TextId::MoveUp));
    moveDownAction_->setText(loadText(TextId::MoveDown));
    suggestChecksAction_->setText(loadText(TextId::SuggestChecks));
    const int selected = selectedPosition();
    const int count = static_cast<int>(sequence_.count());
    recordAfterAction_->setEnabled(selected >= 0);
    recordAtEndAction_->setEnabled(sequence_.insertionPoint().has_value());
    moveUpAction_->setEnabled(selected > 0 && !isTrialRunning());
    moveDownAction_->setEnabled(selected >= 0 && selected + 1 < count && !isTrialRunning());
    suggestChecksAction_->setEnabled(!lastRun_.isEmpty() && !isTrialRunning());
}

void ControlPanel::recordAfterSelected()
{
    const int selected = selectedPosition();
    if (selected < 0 || !sequence_.recordAfter(static_cast<std::size_t>(selected) + 1))
        return;
    reloadList(selected);
    emit recordingPlaceChanged();
}

void ControlPanel::recordAtEnd()
{
    if (!sequence_.insertionPoint())
        return;
    sequence_.recordAtEnd();
    reloadList(selectedPosition());
    emit recordingPlaceChanged();
}

void ControlPanel::moveSelected(int by)
{
    const int from = selectedPosition();
    const int to = from + by;
    if (from < 0 || to < 0 || to >= static_cast<int>(sequence_.count()) || isTrialRunning())
        return;
    const auto first = static_cast<std::size_t>(from);
    const auto second = static_cast<std::size_t>(to);
    if (!(undo_ ? undo_->move(sequence_, first, second) : sequence_.move(first, second)))
        return;
    reloadList(to);
    emit edited();
}

} // namespace waytrace
