#include "upload_dialog.h"

#include "browser/twips.h"
#include "design_controls.h"
#include "message_box.h"
#include "text.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <utility>

namespace waytrace {

namespace {

// Masks the password box with '*' whatever character the platform's style would use.
class AsteriskStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QPushButton* button(QWidget* parent, const char* name, const char* text, int left, int top,
                    int width, int height)
{
    auto* control = new QPushButton(QLatin1String(text), parent);
    // Neither button is the default: Enter in a box presses nothing.
    control->setAutoDefault(false);
    return place(control, name, left, top, width, height);
}

} // namespace

UploadDialog::UploadDialog(QWidget* parent) : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("UploadDialog"));
    setModal(true);
    placeTimer_.setInterval(50);
    connect(&placeTimer_, &QTimer::timeout, this, &UploadDialog::checkPlace);
    setWindowTitle(QStringLiteral("Upload"));
    setFixedSize(twipsToPixels(4920), twipsToPixels(3885));
    useDesignFontSize(this);

    // Built in tab order, so the focus chain follows it.
    uploadFrame_ = place(new QGroupBox(this), "uploadFrame", 120, 50, 4695, 3135);
    sequenceNameLabel_ =
        captionLabel(uploadFrame_, "sequenceNameLabel", "URL Sequence Name", 240, 240, 2535, 255);
    sequenceNameEdit_ = textBox(uploadFrame_, "sequenceNameEdit", "", 480, 600, 3495, 285);
    pollIntervalLabel_ =
        captionLabel(uploadFrame_, "pollIntervalLabel", "Poll Interval", 600, 1080, 1215, 255);
    minutesLabel_ = captionLabel(uploadFrame_, "minutesLabel", "min(s)", 3360, 1080, 615, 255);
    hostLabel_ = captionLabel(uploadFrame_, "hostLabel", "Host", 600, 1440, 1575, 255);
    hostEdit_ = textBox(uploadFrame_, "hostEdit", "localhost", 2160, 1440, 1815, 285);
    portLabel_ = captionLabel(uploadFrame_, "portLabel", "Port", 600, 1800, 1575, 255);
    portEdit_ = textBox(uploadFrame_, "portEdit", "9090", 2160, 1800, 1815, 285);
    userLabel_ = captionLabel(uploadFrame_, "userLabel", "User", 600, 2160, 1095, 255);
    userEdit_ = textBox(uploadFrame_, "userEdit", "admin", 2160, 2160, 1815, 285);
    passwordLabel_ = captionLabel(uploadFrame_, "passwordLabel", "Password", 600, 2520, 975, 255);
    passwordEdit_ = textBox(uploadFrame_, "passwordEdit", "", 2160, 2520, 1815, 285);
    okButton_ = button(this, "okButton", "OK", 840, 3360, 1215, 375);
    cancelButton_ = button(this, "cancelButton", "Cancel", 2280, 3360, 1215, 375);
    pollIntervalEdit_ = textBox(uploadFrame_, "pollIntervalEdit", "5", 2160, 1080, 1095, 285);

    setTabChain({sequenceNameEdit_, hostEdit_, portEdit_, userEdit_, passwordEdit_, okButton_,
                 cancelButton_, pollIntervalEdit_});

    auto* asterisks = new AsteriskStyle(style()->name());
    asterisks->setParent(passwordEdit_);
    passwordEdit_->setStyle(asterisks);
    passwordEdit_->setEchoMode(QLineEdit::Password);

    connect(okButton_, &QPushButton::clicked, this, &UploadDialog::okClicked);
    // Cancel and the close box alike reject the dialog.
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    load();
}

UploadDialog::~UploadDialog() = default;

void UploadDialog::load()
{
    messageTitle_ = QStringLiteral("Waytrace");

    sequenceNameLabel_->setToolTip(QStringLiteral("Enter the display name of the Transaction"));
    sequenceNameEdit_->setToolTip(QStringLiteral("Enter the display name of the Transaction"));
    hostEdit_->setToolTip(QStringLiteral("Enter the host name of the Torvane"));
    portEdit_->setToolTip(QStringLiteral("Enter the port of the Torvane"));
    pollIntervalEdit_->setToolTip(QStringLiteral("Enter the poll interval for this monitor"));

    for (QLineEdit* box : {sequenceNameEdit_, hostEdit_, portEdit_, userEdit_, passwordEdit_})
        applyTextFont(box);

    setWindowTitle(loadText(TextId::UploadTitle));

    setCaption(hostLabel_, TextId::Host);
    setCaption(portLabel_, TextId::Port);
    setCaption(pollIntervalLabel_, TextId::PollInterval);
    setCaption(minutesLabel_, TextId::Minutes);
    setCaption(userLabel_, TextId::UserName);
    setCaption(passwordLabel_, TextId::Password);
    setCaption(okButton_, TextId::Ok);
    setCaption(cancelButton_, TextId::Cancel);
    setCaption(sequenceNameLabel_, TextId::SequenceName);
}

void UploadDialog::checkPlace()
{
    // Asked for before the window manager frames the dialog, a place may be taken as its inner
    // position (a re-shown dialog then moves by its title bar), and a busy window manager may
    // settle it late. Until the framed dialog stands where it was, it is put there again, a few
    // times at most, so it never fights the user.
    if (!isVisible() || !lastPlace_ || ++placeChecks_ > kPlaceChecks) {
        placeTimer_.stop();
        return;
    }
    if (frameGeometry().size() == size())
        return; // not framed yet
    if (frameGeometry().topLeft() == *lastPlace_)
        placeTimer_.stop();
    else
        move(*lastPlace_);
}

std::optional<UploadFields> UploadDialog::ask()
{
    // Shown again exactly where it was (see event()).
    if (lastPlace_) {
        move(*lastPlace_);
        placeChecks_ = 0;
        placeTimer_.start();
    }
    // Accepting or rejecting only hides the dialog: the boxes keep their values for next time.
    const int answer = exec();
    lastPlace_ = frameGeometry().topLeft();
    if (answer != Accepted)
        return std::nullopt;
    return fields();
}

UploadFields UploadDialog::fields() const
{
    return {sequenceNameEdit_->text().toStdU16String(), pollIntervalEdit_->text().toStdU16String(),
            hostEdit_->text().toStdU16String(),         portEdit_->text().toStdU16String(),
            userEdit_->text().toStdU16String(),         passwordEdit_->text().toStdU16String()};
}

void UploadDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No button is the dialog's cancel or default button: Esc and Enter press neither,
        // wherever the focus is. The dialog is left with a click or the space bar on a button.
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void UploadDialog::okClicked()
{
    const std::array<std::pair<QLineEdit*, TextId>, 6> required{{
        {sequenceNameEdit_, TextId::EnterSequenceName},
        {pollIntervalEdit_, TextId::EnterPollInterval},
        {hostEdit_, TextId::EnterHost},
        {portEdit_, TextId::EnterPort},
        {userEdit_, TextId::EnterUserName},
        {passwordEdit_, TextId::EnterPassword},
    }};
    for (const auto& [box, id] : required) {
        if (box->text().isEmpty()) {
            showMessage(this, messageTitle_, loadText(id));
            box->setFocus();
            return;
        }
    }
    accept();
}

} // namespace waytrace
