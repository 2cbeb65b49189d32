// The control panel's controls at their design places, and the choices of its drop-down lists;
// what the controls do is in control_panel.cpp.

#include "control_panel.h"

#include "design_controls.h"
#include "program_icon.h"
#include "slim_drop_down_style.h"
#include "url_list_model.h"

#include "browser/twips.h"
#include "network/trial_run.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace waytrace {

namespace {

// Every entry exactly as wide as the list: a long address is elided in its middle so that what
// follows it (the test run's verdict, the stale-field flag) stays in view; only what follows
// beyond the list's width is cut, at its end.
class ListWideEntries : public QStyledItemDelegate
{
public:
    explicit ListWideEntries(QListView* list) : QStyledItemDelegate(list), list_(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {list_->viewport()->width(), QStyledItemDelegate::sizeHint(option, index).height()};
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString tail = index.data(UrlListModel::kTailRole).toString();
        if (tail.isEmpty() || option->rect.isEmpty())
            return;
        const QStyle* style = list_->style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
        const int width =
            style->subElementRect(QStyle::SE_ItemViewItemText, option, list_).width() - 2 * margin;
        // The address keeps a third of the row however long the rest.
        const int headWidth =
            std::max(width - option->fontMetrics.horizontalAdvance(tail), width / 3);
        const QString head = option->text.chopped(tail.size());
        option->text = option->fontMetrics.elidedText(head, Qt::ElideMiddle, headWidth) + tail;
        option->textElideMode = Qt::ElideRight;
    }

private:
    QListView* list_;
};

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

} // namespace

void ControlPanel::buildControls()
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
    urlList_->setItemDelegate(new ListWideEntries(urlList_));
    urlList_->setTextElideMode(Qt::ElideMiddle);
    const int iconSide = urlList_->fontMetrics().height();
    urlList_->setIconSize(QSize(iconSide, iconSide)); // rows keep the height of plain text

    trialRun_ = new TrialRun(this);
}

void ControlPanel::fillChoices()
{
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
}

} // namespace waytrace
