#include "control_panel.h"

#include "browser/twips.h"
#include "design_controls.h"
#include "network/trial_run.h"
#include "program_icon.h"
#include "slim_drop_down_style.h"
#include "text.h"
#include "url_list_model.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, int left, int top,
                 int width, int height)
{
    return place(new QGroupBox(QLatin1String(caption), parent), name, left, top, width, height);
}

// Keeps a control on the default face when its frame takes the language's font.
void keepDefaultFace(QWidget* control)
{
    QFont font = control->font();
    font.setFamily(font.family());
    control->setFont(font);
}

void display(QLineEdit* box, const std::u16string& value)
{
    box->setText(QString::fromStdU16String(value));
    applyTextFont(box);
}

} // namespace

ControlPanel::ControlPanel(RecordedSequence& sequence, QWidget* parent)
    : QWidget(parent, kFixedDialogFlags), sequence_(sequence)
{
    setObjectName(QStringLiteral("ControlPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Control Panel"));
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(6030), twipsToPixels(9870));
    useDesignFontSize(this);

    // Built in tab order, so the focus chain follows it.
    urlListFrame_ = frame(this, "urlListFrame", "Recorded Urls", 120, 240, 5775, 3615);
    urlList_ = place(new QListView(urlListFrame_), "urlList", 120, 240, 5535, 3180);
    urlDetailsLabel_ = captionLabel(this, "urlDetailsLabel", "Url Details", 240, 4180, 1575, 495);
    urlLabelFrame_ = frame(this, "urlLabelFrame", "URL Label", 2040, 3960, 3855, 800);
    urlLabelEdit_ = textBox(urlLabelFrame_, "urlLabelEdit", "", 120, 280, 3615, 300);
    alertFrame_ = frame(this, "alertFrame", "Alert Me", 240, 5040, 5655, 2775);
    requiredKeywordsLabel_ =
        captionLabel(alertFrame_, "requiredKeywordsLabel",
                     "if the following keywords are not found", 240, 360, 4215, 255);
    requiredKeywordsEdit_ = textBox(alertFrame_, "requiredKeywordsEdit", "", 240, 720, 5175, 285);
    forbiddenKeywordsLabel_ =
        captionLabel(alertFrame_, "forbiddenKeywordsLabel", "if the following keywords are found",
                     240, 1200, 5055, 375);
    forbiddenKeywordsEdit_ = textBox(this, "forbiddenKeywordsEdit", "", 480, 6600, 5175, 285);
    responseCodeLabel_ =
        captionLabel(alertFrame_, "responseCodeLabel", "if responsecode is", 240, 2160, 1575, 375);
    responseConditionBox_ =
        place(new QComboBox(alertFrame_), "responseConditionBox", 2040, 2160, 1315, 315);
    responseCodeBox_ = place(new QComboBox(alertFrame_), "responseCodeBox", 3480, 2160, 650, 315);
    loginFrame_ = frame(this, "loginFrame", "Basic Authentication", 240, 8040, 5655, 975);
    userNameLabel_ = captionLabel(loginFrame_, "userNameLabel", "Username", 240, 360, 975, 255);
    userNameEdit_ = textBox(loginFrame_, "userNameEdit", "", 1200, 360, 1695, 285);
    passwordLabel_ = captionLabel(loginFrame_, "passwordLabel", "Password", 3000, 360, 975, 255);
    passwordEdit_ = textBox(loginFrame_, "passwordEdit", "", 3840, 360, 1695, 285);
    deleteHintLabel_ = captionLabel(this, "deleteHintLabel", "To remove a track use Del key", 240,
                                    9240, 2895, 495);
    trialRunProgressLabel_ = captionLabel(this, "trialRunProgressLabel", "", 240, 9240, 2895, 495);
    trialRunProgressLabel_->hide();
    trialRunButton_ = place(new QPushButton(QStringLiteral("Test Run"), this), "trialRunButton",
                            3360, 9360, 1215, 375);
    closeButton_ =
        place(new QPushButton(QStringLiteral("Close"), this), "closeButton", 4680, 9360, 1095, 375);

    forbiddenKeywordsEdit_->raise();
    setTabChain({urlList_, urlLabelEdit_, requiredKeywordsEdit_, forbiddenKeywordsEdit_,
                 responseConditionBox_, responseCodeBox_, userNameEdit_, passwordEdit_,
                 trialRunButton_, closeButton_});

    model_ = new UrlListModel(this);
    urlList_->setModel(model_);
    urlList_->setSelectionMode(QAbstractItemView::SingleSelection);
    urlList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    urlList_->setUniformItemSizes(true); // lays out any number of entries without measuring each
    urlList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    urlList_->setTextElideMode(Qt::ElideNone);
    const int iconSide = urlList_->fontMetrics().height();
    urlList_->setIconSize(QSize(iconSide, iconSide)); // rows keep the height of plain text

    trialRun_ = new TrialRun(this);
    connect(trialRun_, &TrialRun::stepStarted, this, &ControlPanel::trialRunStepStarted);
    connect(trialRun_, &TrialRun::stepFinished, model_, &UrlListModel::setResult);
    connect(trialRun_, &TrialRun::finished, this, &ControlPanel::trialRunFinished);
    connect(trialRunButton_, &QPushButton::clicked, this, &ControlPanel::trialRunClicked);

    responseConditionBox_->addItems({QStringLiteral("Greater than"), QStringLiteral("Equal to"),
                                     QStringLiteral("Not Equal to")});
    responseCodeBox_->addItems({"200", "300", "301", "302", "400", "401", "402", "403",
                                "404", "405", "406", "407", "408", "409", "410", "411",
                                "414", "415", "500", "502", "503", "504", "505"});
    responseConditionBox_->setCurrentIndex(-1);
    responseCodeBox_->setCurrentIndex(-1);
    auto* slim = new SlimDropDownStyle(style()->name());
    slim->setParent(this);
    responseConditionBox_->setStyle(slim);
    responseCodeBox_->setStyle(slim);
    keepDefaultFace(urlList_);
    keepDefaultFace(responseCodeBox_);

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

    load();
}

ControlPanel::~ControlPanel() = default;

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
    trialRunButton_->setToolTip(loadText(TextId::TrialRunHelp));
    applyTextFont(trialRunProgressLabel_);
    responseConditionBox_->setItemText(0, loadText(TextId::GreaterThan));
    applyTextFont(responseConditionBox_);
    responseConditionBox_->setItemText(1, loadText(TextId::EqualTo));
    responseConditionBox_->setItemText(2, loadText(TextId::NotEqualTo));
    // The open list shows each condition whole, however narrow the closed one is.
    responseConditionBox_->view()->setMinimumWidth(
        responseConditionBox_->view()->sizeHintForColumn(0) + 8);
}

void ControlPanel::reloadList()
{
    // A new sequence leaves a test run of the old one nothing to show.
    if (sequence_.count() == 0)
        trialRun_->cancel();
    model_->assign(sequence_);

    const int last = model_->rowCount() - 1;
    if (last < 0)
        return;
    const QModelIndex entry = model_->index(last);
    urlList_->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    urlList_->scrollTo(entry);
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
    return sequence_.at(static_cast<std::size_t>(position) + 1);
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
    // One entry stays selected while there are any (Ctrl+click would clear it): the boxes show
    // a record, and what is typed into them must go into that record.
    if (urlList_->selectionModel()->selectedIndexes().isEmpty() && !deselected.isEmpty() &&
        model_->rowCount() > 0) {
        urlList_->selectionModel()->select(deselected, QItemSelectionModel::Select);
        return;
    }
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
        if (responseConditionBox_->itemText(i).toStdU16String() == record->responseCondition) {
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

void ControlPanel::urlListKeyPressed(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete)
        return;
    const int position = selectedPosition();
    if (position < 0)
        return;
    sequence_.remove(static_cast<std::size_t>(position) + 1);
    reloadList();
}

void ControlPanel::closeClicked()
{
    hide();
}

void ControlPanel::detailBoxEdited(const DetailBox& detail)
{
    if (const RecordRef record = selectedRecord())
        (*record).*detail.field = detail.box->text().toStdU16String();
}

void ControlPanel::responseConditionActivated(int index)
{
    if (const RecordRef record = selectedRecord())
        record->responseCondition = responseConditionBox_->itemText(index).toStdU16String();
}

void ControlPanel::responseCodeActivated(int index)
{
    if (const RecordRef record = selectedRecord())
        record->responseCode = responseCodeBox_->itemText(index).toShort();
}

} // namespace waytrace
