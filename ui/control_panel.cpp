#include "control_panel.h"

#include "design_controls.h"
#include "text.h"
#include "tooltip_table.h"
#include "url_list_model.h"

#include "network/trial_run.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <algorithm>

namespace waytrace {

namespace {

void display(QLineEdit* box, const std::u16string& value)
{
    box->setText(QString::fromStdU16String(value));
    applyTextFont(box);
}

} // namespace

ControlPanel::ControlPanel(RecordedSequence& sequence, SequenceUndo* undo, QWidget* parent)
    : QWidget(parent, kFixedDialogFlags), sequence_(sequence), undo_(undo)
{
    buildControls();
    buildOrderActions();
    fillChoices();
    connectControls();
    load();
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::connectControls()
{
    connect(trialRun_, &TrialRun::stepStarted, this, &ControlPanel::trialRunStepStarted);
    connect(trialRun_, &TrialRun::stepFinished, model_, &UrlListModel::setResult);
    connect(trialRun_, &TrialRun::stepFinished, this, &ControlPanel::trialRunStepFinished);
    connect(trialRun_, &TrialRun::finished, this, &ControlPanel::trialRunFinished);
    connect(trialRunButton_, &QPushButton::clicked, this, &ControlPanel::trialRunClicked);

    connect(urlList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ControlPanel::urlListSelectionChanged);
    connect(closeButton_, &QPushButton::clicked, this, &ControlPanel::closeClicked);
    connect(responseConditionBox_, &QComboBox::activated, this,
            &ControlPanel::responseConditionActivated);
    connect(responseCodeBox_, &QComboBox::activated, this, &ControlPanel::responseCodeActivated);
    detailBoxes_ = {{{urlLabelEdit_, &UrlRecord::displayName},
                     {requiredKeywordsEdit_, &UrlRecord::requiredKeywords},
                     {forbiddenKeywordsEdit_, &UrlRecord::forbiddenKeywords},
                     {userNameEdit_, &UrlRecord::userName},
                     {passwordEdit_, &UrlRecord::password}}};
    urlList_->installEventFilter(this);
    for (const DetailBox& detail : detailBoxes_) {
        connect(detail.box, &QLineEdit::textEdited, this,
                [this, &detail] { detailBoxEdited(detail); });
        detail.box->installEventFilter(this);
    }
}

void ControlPanel::load()
{
    // The refill comes first: a record displayed here meets the design items of
    // responseConditionBox_.
    reloadList();

    setWindowTitle(loadText(TextId::ControlPanelTitle));
    setCaption(urlListFrame_, TextId::RecordedUrls);
    setCaption(urlLabelFrame_, TextId::UrlLabel);
    setCaption(alertFrame_, TextId::AlertMe);
    setCaption(loginFrame_, TextId::BasicAuthentication);
    setCaption(urlDetailsLabel_, TextId::UrlDetails);
    setCaption(requiredKeywordsLabel_, TextId::KeywordsNotFound);
    setCaption(forbiddenKeywordsLabel_, TextId::KeywordsFound);
    setCaption(responseCodeLabel_, TextId::ResponseCodeIs);
    setCaption(userNameLabel_, TextId::UserName);
    setCaption(passwordLabel_, TextId::Password);
    setCaption(deleteHintLabel_, TextId::DeleteHint);
    setCaption(closeButton_, TextId::Close);
    setCaption(trialRunButton_, isTrialRunning() ? TextId::StopTrialRun : TextId::TrialRun);
    trialRunButton_->setToolTip(TooltipTable().prose(loadText(TextId::TrialRunHelp)).html());
    applyTextFont(trialRunProgressLabel_);
    responseConditionBox_->setItemText(0, loadText(TextId::GreaterThan));
    applyTextFont(responseConditionBox_);
    responseConditionBox_->setItemText(1, loadText(TextId::EqualTo));
    responseConditionBox_->setItemText(2, loadText(TextId::NotEqualTo));
    // The open list shows each condition whole, however narrow the closed one is.
    responseConditionBox_->view()->setMinimumWidth(
        responseConditionBox_->view()->sizeHintForColumn(0) + 8);
}

void ControlPanel::reloadList(int row)
{
    // A new sequence leaves a trial run of the old one nothing to show.
    if (sequence_.count() == 0)
        trialRun_->cancel();
    model_->assign(sequence_);
    // A finished run's summary gives way to the hint once the list changes.
    if (!isTrialRunning()) {
        trialRunProgressLabel_->hide();
        deleteHintLabel_->show();
    }

    const int last = model_->rowCount() - 1;
    updateOrderActions();
    updateDetailsEnabled();
    if (last < 0)
        return;
    // By default the newest step: the last, or while recording into the middle the one just
    // inserted.
    if (const auto point = sequence_.insertionPoint(); row < 0 && point && *point > 0)
        row = static_cast<int>(*point) - 1;
    const QModelIndex entry = model_->index(row < 0 ? last : std::min(row, last));
    urlList_->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    urlList_->scrollTo(entry);
    updateOrderActions();
}

void ControlPanel::addListAction(QAction* action)
{
    urlList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    urlList_->addAction(action);
}

int ControlPanel::selectedPosition() const
{
    const QModelIndexList selected = urlList_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

RecordRef ControlPanel::selectedRecord() const
{
    const int position = selectedPosition();
    if (position < 0)
        return nullptr;
    return sequence_.at(static_cast<std::size_t>(position));
}

bool ControlPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == urlList_) {
        urlListKeyPressed(static_cast<QKeyEvent*>(event));
    } else if (event->type() == QEvent::KeyRelease) {
        // Whichever key it was: one that changed nothing stores the same text again.
        for (const DetailBox& detail : detailBoxes_)
            if (watched == detail.box)
                detailBoxEdited(detail);
    }
    // The controls still handle every key as usual.
    return QWidget::eventFilter(watched, event);
}

void ControlPanel::urlListSelectionChanged(const QItemSelection& /*selected*/,
                                           const QItemSelection& deselected)
{
    updateOrderActions();
    // One entry stays selected while there are any (Ctrl+click would clear it): the boxes show
    // a record, and what is typed into them must go into that record.
    if (urlList_->selectionModel()->selectedIndexes().isEmpty() && !deselected.isEmpty() &&
        model_->rowCount() > 0) {
        urlList_->selectionModel()->select(deselected, QItemSelectionModel::Select);
        return;
    }
    updateDetailsEnabled();
    const RecordRef record = selectedRecord();
    if (!record)
        return;
    display(urlLabelEdit_, record->displayName);
    display(userNameEdit_, record->userName);
    display(passwordEdit_, record->password);
    display(requiredKeywordsEdit_, record->requiredKeywords);
    display(forbiddenKeywordsEdit_, record->forbiddenKeywords);

    // No match leaves the previous pick on display; a match runs the pick handling, which
    // stores the value the record already holds.
    for (int i = responseConditionBox_->count() - 1; i >= 0; --i) {
        if (responseConditionBox_->itemText(i).toStdU16String() ==
            conditionWords(record->responseCondition)) {
            responseConditionBox_->setCurrentIndex(i);
            responseConditionActivated(i);
        }
    }
    for (int i = responseCodeBox_->count() - 1; i >= 0; --i) {
        if (responseCodeBox_->itemText(i).toInt() == record->responseCode) {
            responseCodeBox_->setCurrentIndex(i);
            responseCodeActivated(i);
        }
    }
}

void ControlPanel::updateDetailsEnabled()
{
    // Without a selected step, what is typed into them would go nowhere.
    const bool selected = selectedPosition() >= 0;
    for (const DetailBox& detail : detailBoxes_)
        detail.box->setEnabled(selected);
    responseConditionBox_->setEnabled(selected);
    responseCodeBox_->setEnabled(selected);
}

void ControlPanel::urlListKeyPressed(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete)
        return;
    const int position = selectedPosition();
    if (position < 0)
        return;
    const auto index = static_cast<std::size_t>(position);
    if (undo_)
        undo_->remove(sequence_, index);
    else
        sequence_.remove(index);
    reloadList(position); // the neighbour that took its place, or the new last
    emit edited();
}

void ControlPanel::closeClicked()
{
    hide();
}

void ControlPanel::detailBoxEdited(const DetailBox& detail)
{
    if (const RecordRef record = selectedRecord()) {
        auto text = detail.box->text().toStdU16String();
        if ((*record).*detail.field == text)
            return; // a key that changed nothing
        (*record).*detail.field = std::move(text);
        emit edited();
    }
}

void ControlPanel::responseConditionActivated(int index)
{
    if (const RecordRef record = selectedRecord()) {
        // The item's words say the language: the design's English until the texts are loaded.
        const ResponseCondition condition =
            readResponseCondition(responseConditionBox_->itemText(index).toStdU16String());
        if (record->responseCondition == condition)
            return; // showing a record stores what it holds
        record->responseCondition = condition;
        emit edited();
    }
}

void ControlPanel::responseCodeActivated(int index)
{
    if (const RecordRef record = selectedRecord()) {
        const auto code = responseCodeBox_->itemText(index).toShort();
        if (record->responseCode == code)
            return; // showing a record stores what it holds
        record->responseCode = code;
        emit edited();
    }
}

} // namespace waytrace
