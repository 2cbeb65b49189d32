#include "control_panel.h"

#include "design_controls.h"
#include "platform/test_run.h"
#include "platform/twips.h"
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
    urlListFrame = frame(this, "urlListFrame", "Recorded Urls", 120, 240, 5775, 3615);
    urlList = place(new QListView(urlListFrame), "urlList", 120, 240, 5535, 3180);
    urlDetailsLabel = captionLabel(this, "urlDetailsLabel", "Url Details", 240, 4180, 1575, 495);
    urlLabelFrame = frame(this, "urlLabelFrame", "URL Label", 2040, 3960, 3855, 800);
    urlLabelEdit = textBox(urlLabelFrame, "urlLabelEdit", "", 120, 280, 3615, 300);
    alertFrame = frame(this, "alertFrame", "Alert Me", 240, 5040, 5655, 2775);
    requiredKeywordsLabel =
        captionLabel(alertFrame, "requiredKeywordsLabel", "if the following keywords are not found",
                     240, 360, 4215, 255);
    requiredKeywordsEdit = textBox(alertFrame, "requiredKeywordsEdit", "", 240, 720, 5175, 285);
    forbiddenKeywordsLabel =
        captionLabel(alertFrame, "forbiddenKeywordsLabel", "if the following keywords are found",
                     240, 1200, 5055, 375);
    forbiddenKeywordsEdit = textBox(this, "forbiddenKeywordsEdit", "", 480, 6600, 5175, 285);
    responseCodeLabel =
        captionLabel(alertFrame, "responseCodeLabel", "if responsecode is", 240, 2160, 1575, 375);
    responseConditionBox =
        place(new QComboBox(alertFrame), "responseConditionBox", 2040, 2160, 1315, 315);
    responseCodeBox = place(new QComboBox(alertFrame), "responseCodeBox", 3480, 2160, 650, 315);
    loginFrame = frame(this, "loginFrame", "Basic Authentication", 240, 8040, 5655, 975);
    userNameLabel = captionLabel(loginFrame, "userNameLabel", "Username", 240, 360, 975, 255);
    userNameEdit = textBox(loginFrame, "userNameEdit", "", 1200, 360, 1695, 285);
    passwordLabel = captionLabel(loginFrame, "passwordLabel", "Password", 3000, 360, 975, 255);
    passwordEdit = textBox(loginFrame, "passwordEdit", "", 3840, 360, 1695, 285);
    deleteHintLabel = captionLabel(this, "deleteHintLabel", "To remove a track use Del key", 240,
                                   9240, 2895, 495);
    testRunProgressLabel = captionLabel(this, "testRunProgressLabel", "", 240, 9240, 2895, 495);
    testRunProgressLabel->hide();
    testRunButton = place(new QPushButton(QStringLiteral("Test Run"), this), "testRunButton", 3360,
                          9360, 1215, 375);
    closeButton =
        place(new QPushButton(QStringLiteral("Close"), this), "closeButton", 4680, 9360, 1095, 375);

    forbiddenKeywordsEdit->raise();
    setTabChain({urlList, urlLabelEdit, requiredKeywordsEdit, forbiddenKeywordsEdit,
                 responseConditionBox, responseCodeBox, userNameEdit, passwordEdit, testRunButton,
                 closeButton});

    model_ = new UrlListModel(this);
    urlList->setModel(model_);
    urlList->setSelectionMode(QAbstractItemView::SingleSelection);
    urlList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    urlList->setUniformItemSizes(true); // lays out any number of entries without measuring each
    urlList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    urlList->setTextElideMode(Qt::ElideNone);
    const int iconSide = urlList->fontMetrics().height();
    urlList->setIconSize(QSize(iconSide, iconSide)); // rows keep the height of plain text

    testRun_ = new TestRun(this);
    connect(testRun_, &TestRun::stepStarted, this, &ControlPanel::testRunStepStarted);
    connect(testRun_, &TestRun::stepFinished, model_, &UrlListModel::setResult);
    connect(testRun_, &TestRun::finished, this, &ControlPanel::testRunFinished);
    connect(testRunButton, &QPushButton::clicked, this, &ControlPanel::testRunClicked);

    responseConditionBox->addItems({QStringLiteral("Greater than"), QStringLiteral("Equal to"),
                                    QStringLiteral("Not Equal to")});
    responseCodeBox->addItems({"200", "300", "301", "302", "400", "401", "402", "403",
                               "404", "405", "406", "407", "408", "409", "410", "411",
                               "414", "415", "500", "502", "503", "504", "505"});
    responseConditionBox->setCurrentIndex(-1);
    responseCodeBox->setCurrentIndex(-1);
    auto* slim = new SlimDropDownStyle(style()->name());
    slim->setParent(this);
    responseConditionBox->setStyle(slim);
    responseCodeBox->setStyle(slim);
    keepDefaultFace(urlList);
    keepDefaultFace(responseCodeBox);

    connect(urlList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ControlPanel::urlListSelectionChanged);
    connect(closeButton, &QPushButton::clicked, this, &ControlPanel::closeClicked);
    connect(responseConditionBox, &QComboBox::activated, this,
            &ControlPanel::responseConditionActivated);
    connect(responseCodeBox, &QComboBox::activated, this, &ControlPanel::responseCodeActivated);
    detailBoxes_ = {{{urlLabelEdit, &UrlRecord::displayName},
                     {requiredKeywordsEdit, &UrlRecord::matchContent},
                     {forbiddenKeywordsEdit, &UrlRecord::unavailabilityString},
                     {userNameEdit, &UrlRecord::userName},
                     {passwordEdit, &UrlRecord::password}}};
    urlList->installEventFilter(this);
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
    // responseConditionBox.
    reloadList();

    setWindowTitle(loadText(TextId::ControlPanelTitle));
    setCaption(urlListFrame, TextId::RecordedUrls);
    setCaption(urlLabelFrame, TextId::UrlLabel);
    setCaption(alertFrame, TextId::AlertMe);
    setCaption(loginFrame, TextId::BasicAuthentication);
    setCaption(urlDetailsLabel, TextId::UrlDetails);
    setCaption(requiredKeywordsLabel, TextId::KeywordsNotFound);
    setCaption(forbiddenKeywordsLabel, TextId::KeywordsFound);
    setCaption(responseCodeLabel, TextId::ResponseCodeIs);
    setCaption(userNameLabel, TextId::UserName);
    setCaption(passwordLabel, TextId::Password);
    setCaption(deleteHintLabel, TextId::DeleteHint);
    setCaption(closeButton, TextId::Close);
    setCaption(testRunButton, isTestRunning() ? TextId::StopTestRun : TextId::TestRun);
    testRunButton->setToolTip(loadText(TextId::TestRunHelp));
    applyTextFont(testRunProgressLabel);
    responseConditionBox->setItemText(0, loadText(TextId::GreaterThan));
    applyTextFont(responseConditionBox);
    responseConditionBox->setItemText(1, loadText(TextId::EqualTo));
    responseConditionBox->setItemText(2, loadText(TextId::NotEqualTo));
    // The open list shows each condition whole, however narrow the closed one is.
    responseConditionBox->view()->setMinimumWidth(
        responseConditionBox->view()->sizeHintForColumn(0) + 8);
}

void ControlPanel::reloadList()
{
    model_->assign(sequence_);

    const int last = model_->rowCount() - 1;
    if (last < 0)
        return;
    const QModelIndex entry = model_->index(last);
    urlList->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    urlList->scrollTo(entry);
}

int ControlPanel::selectedPosition() const
{
    const QModelIndexList selected = urlList->selectionModel()->selectedIndexes();
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
    if (event->type() == QEvent::KeyPress && watched == urlList) {
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
    if (urlList->selectionModel()->selectedIndexes().isEmpty() && !deselected.isEmpty() &&
        model_->rowCount() > 0) {
        urlList->selectionModel()->select(deselected, QItemSelectionModel::Select);
        return;
    }
    const RecordRef record = selectedRecord();
    if (!record)
        return;
    display(urlLabelEdit, record->displayName);
    display(userNameEdit, record->userName);
    display(passwordEdit, record->password);
    display(requiredKeywordsEdit, record->matchContent);
    display(forbiddenKeywordsEdit, record->unavailabilityString);

    // No match leaves the previous pick on display; a match runs the pick handling, which
    // stores the value the record already holds.
    for (int i = responseConditionBox->count() - 1; i >= 0; --i) {
        if (responseConditionBox->itemText(i).toStdU16String() == record->httpCondition) {
            responseConditionBox->setCurrentIndex(i);
            responseConditionActivated(i);
        }
    }
    for (int i = responseCodeBox->count() - 1; i >= 0; --i) {
        if (responseCodeBox->itemText(i).toInt() == record->httpValue) {
            responseCodeBox->setCurrentIndex(i);
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

void ControlPanel::startTestRun()
{
    if (isTestRunning() || sequence_.count() == 0)
        return;
    // Every URL run gets its entry, also those recorded since the last refill.
    if (static_cast<std::size_t>(model_->rowCount()) != sequence_.count())
        reloadList();
    model_->clearResults();
    deleteHintLabel->hide();
    testRunProgressLabel->show();
    setCaption(testRunButton, TextId::StopTestRun);
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
    testRunProgressLabel->setText(loadText(TextId::TestRunProgress).arg(position).arg(count));
    model_->setRunning(record);
}

void ControlPanel::testRunFinished()
{
    model_->setRunning(nullptr);
    testRunProgressLabel->hide();
    deleteHintLabel->show();
    setCaption(testRunButton, TextId::TestRun);
}

void ControlPanel::detailBoxEdited(const DetailBox& detail)
{
    if (const RecordRef record = selectedRecord())
        (*record).*detail.field = detail.box->text().toStdU16String();
}

void ControlPanel::responseConditionActivated(int index)
{
    if (const RecordRef record = selectedRecord())
        record->httpCondition = responseConditionBox->itemText(index).toStdU16String();
}

void ControlPanel::responseCodeActivated(int index)
{
    if (const RecordRef record = selectedRecord())
        record->httpValue = responseCodeBox->itemText(index).toShort();
}

} // namespace waytrace
