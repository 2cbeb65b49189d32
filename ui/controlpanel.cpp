#include "controlpanel.h"

#include "design_controls.h"
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
    ApplyTextFont(box);
}

} // namespace

controlpanel::controlpanel(UrlSequence& urlarray, QWidget* parent)
    : QWidget(parent, kFixedDialogFlags), urlarray_(urlarray)
{
    setObjectName(QStringLiteral("controlpanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Control Panel"));
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(6030), twipsToPixels(9870));
    useDesignFontSize(this);

    // Built in tab order, so the focus chain follows it.
    urllist = frame(this, "urllist", "Recorded Urls", 120, 240, 5775, 3615);
    urls = place(new QListView(urllist), "urls", 120, 240, 5535, 3180);
    Label1 = captionLabel(this, "Label1", "Url Details", 240, 4180, 1575, 495);
    Frame1 = frame(this, "Frame1", "URL Label", 2040, 3960, 3855, 800);
    UrlName = textBox(Frame1, "UrlName", "", 120, 280, 3615, 300);
    Frame2 = frame(this, "Frame2", "Alert Me", 240, 5040, 5655, 2775);
    Label2 = captionLabel(Frame2, "Label2", "if the following keywords are not found", 240, 360,
                          4215, 255);
    availabilitystring = textBox(Frame2, "availabilitystring", "", 240, 720, 5175, 285);
    Label3 =
        captionLabel(Frame2, "Label3", "if the following keywords are found", 240, 1200, 5055, 375);
    unavailabilitystring = textBox(this, "unavailabilitystring", "", 480, 6600, 5175, 285);
    Label4 = captionLabel(Frame2, "Label4", "if responsecode is", 240, 2160, 1575, 375);
    httpcondition = place(new QComboBox(Frame2), "httpcondition", 2040, 2160, 1315, 315);
    httpvalue = place(new QComboBox(Frame2), "httpvalue", 3480, 2160, 650, 315);
    Frame3 = frame(this, "Frame3", "Basic Authentication", 240, 8040, 5655, 975);
    Label5 = captionLabel(Frame3, "Label5", "Username", 240, 360, 975, 255);
    username = textBox(Frame3, "username", "", 1200, 360, 1695, 285);
    Label6 = captionLabel(Frame3, "Label6", "Password", 3000, 360, 975, 255);
    password = textBox(Frame3, "password", "", 3840, 360, 1695, 285);
    Label7 = captionLabel(this, "Label7", "To remove a track use Del key", 240, 9240, 2895, 495);
    closebtn =
        place(new QPushButton(QStringLiteral("Close"), this), "closebtn", 4680, 9360, 1095, 375);

    unavailabilitystring->raise();
    setTabChain({urls, UrlName, availabilitystring, unavailabilitystring, httpcondition, httpvalue,
                 username, password, closebtn});

    model_ = new UrlListModel(this);
    urls->setModel(model_);
    urls->setSelectionMode(QAbstractItemView::SingleSelection);
    urls->setEditTriggers(QAbstractItemView::NoEditTriggers);
    urls->setUniformItemSizes(true); // lays out any number of entries without measuring each
    urls->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    urls->setTextElideMode(Qt::ElideNone);

    httpcondition->addItems({QStringLiteral("Greater than"), QStringLiteral("Equal to"),
                             QStringLiteral("Not Equal to")});
    httpvalue->addItems({"200", "300", "301", "302", "400", "401", "402", "403",
                         "404", "405", "406", "407", "408", "409", "410", "411",
                         "414", "415", "500", "502", "503", "504", "505"});
    httpcondition->setCurrentIndex(-1);
    httpvalue->setCurrentIndex(-1);
    auto* slim = new SlimDropDownStyle(style()->name());
    slim->setParent(this);
    httpcondition->setStyle(slim);
    httpvalue->setStyle(slim);
    keepDefaultFace(urls);
    keepDefaultFace(httpvalue);

    connect(urls->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &controlpanel::urlsSelectionChanged);
    connect(closebtn, &QPushButton::clicked, this, &controlpanel::closebtnClicked);
    connect(httpcondition, &QComboBox::activated, this, &controlpanel::httpconditionActivated);
    connect(httpvalue, &QComboBox::activated, this, &controlpanel::httpvalueActivated);
    detailBoxes_ = {{{UrlName, &Class1::displayname},
                     {availabilitystring, &Class1::matchcontent},
                     {unavailabilitystring, &Class1::unavailabilitystring},
                     {username, &Class1::username},
                     {password, &Class1::password}}};
    urls->installEventFilter(this);
    for (const DetailBox& detail : detailBoxes_) {
        connect(detail.box, &QLineEdit::textEdited, this,
                [this, &detail] { detailBoxEdited(detail); });
        detail.box->installEventFilter(this);
    }

    load();
}

controlpanel::~controlpanel() = default;

void controlpanel::load()
{
    // The refill comes first: a record displayed here meets the design items of httpcondition.
    reloadlist();

    setWindowTitle(LoadText(109));
    setCaption(urllist, 124);
    setCaption(Frame1, 114);
    setCaption(Frame2, 115);
    setCaption(Frame3, 119);
    setCaption(Label1, 113);
    setCaption(Label2, 116);
    setCaption(Label3, 117);
    setCaption(Label4, 118);
    setCaption(Label5, 120);
    setCaption(Label6, 121);
    setCaption(Label7, 122);
    setCaption(closebtn, 123);
    httpcondition->setItemText(0, LoadText(148));
    ApplyTextFont(httpcondition);
    httpcondition->setItemText(1, LoadText(149));
    httpcondition->setItemText(2, LoadText(150));
    // The open list shows each condition whole, however narrow the closed one is.
    httpcondition->view()->setMinimumWidth(httpcondition->view()->sizeHintForColumn(0) + 8);
}

void controlpanel::reloadlist()
{
    QList<QString> entries;
    entries.reserve(static_cast<qsizetype>(urlarray_.count()));
    for (const RecordRef& record : urlarray_)
        entries.append(record ? QString::fromStdU16String(record->urladdress) : QString());
    model_->assign(std::move(entries));

    const int last = model_->rowCount() - 1;
    if (last < 0)
        return;
    const QModelIndex entry = model_->index(last);
    urls->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    urls->scrollTo(entry);
}

int controlpanel::selectedPosition() const
{
    const QModelIndexList selected = urls->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

RecordRef controlpanel::selectedRecord() const
{
    const int position = selectedPosition();
    if (position < 0)
        return nullptr;
    return urlarray_.at(static_cast<std::size_t>(position) + 1);
}

bool controlpanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == urls) {
        urlsKeyPressed(static_cast<QKeyEvent*>(event));
    } else if (event->type() == QEvent::KeyRelease) {
        // Whichever key it was: one that changed nothing stores the same text again.
        for (const DetailBox& detail : detailBoxes_)
            if (watched == detail.box)
                detailBoxEdited(detail);
    }
    // The controls still handle every key as usual.
    return QWidget::eventFilter(watched, event);
}

void controlpanel::urlsSelectionChanged()
{
    const RecordRef record = selectedRecord();
    if (!record)
        return;
    display(UrlName, record->displayname);
    display(username, record->username);
    display(password, record->password);
    display(availabilitystring, record->matchcontent);
    display(unavailabilitystring, record->unavailabilitystring);

    // No match leaves the previous pick on display; a match runs the pick handling, which
    // stores the value the record already holds.
    for (int i = httpcondition->count() - 1; i >= 0; --i) {
        if (httpcondition->itemText(i).toStdU16String() == record->httpcondition) {
            httpcondition->setCurrentIndex(i);
            httpconditionActivated(i);
        }
    }
    for (int i = httpvalue->count() - 1; i >= 0; --i) {
        if (httpvalue->itemText(i).toInt() == record->httpvalue) {
            httpvalue->setCurrentIndex(i);
            httpvalueActivated(i);
        }
    }
}

void controlpanel::urlsKeyPressed(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete)
        return;
    const int position = selectedPosition();
    if (position < 0)
        return;
    urlarray_.remove(static_cast<std::size_t>(position) + 1);
    reloadlist();
}

void controlpanel::closebtnClicked()
{
    hide();
}

void controlpanel::detailBoxEdited(const DetailBox& detail)
{
    if (const RecordRef record = selectedRecord())
        (*record).*detail.field = detail.box->text().toStdU16String();
}

void controlpanel::httpconditionActivated(int index)
{
    if (const RecordRef record = selectedRecord())
        record->httpcondition = httpcondition->itemText(index).toStdU16String();
}

void controlpanel::httpvalueActivated(int index)
{
    if (const RecordRef record = selectedRecord())
        record->httpvalue = httpvalue->itemText(index).toShort();
}

} // namespace waytrace
