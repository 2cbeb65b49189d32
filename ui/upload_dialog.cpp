#include "upload_dialog.h"

#include "design_controls.h"
#include "message_box.h"
#include "platform/twips.h"
#include "text.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include <array>
#include <utility>

namespace waytrace {

namespace {

// Masks the passwordEdit with '*' whatever character the platform's style would use.
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
    setWindowTitle(QStringLiteral("Upload"));
    setFixedSize(twipsToPixels(4920), twipsToPixels(3885));
    useDesignFontSize(this);

    // Built in tab order, so the focus chain follows it.
    uploadFrame = place(new QGroupBox(this), "uploadFrame", 120, 50, 4695, 3135);
    sequenceNameLabel =
        captionLabel(uploadFrame, "sequenceNameLabel", "URL Sequence Name", 240, 240, 2535, 255);
    sequenceNameEdit = textBox(uploadFrame, "sequenceNameEdit", "", 480, 600, 3495, 285);
    pollIntervalLabel =
        captionLabel(uploadFrame, "pollIntervalLabel", "Poll Interval", 600, 1080, 1215, 255);
    minutesLabel = captionLabel(uploadFrame, "minutesLabel", "min(s)", 3360, 1080, 615, 255);
    hostLabel = captionLabel(uploadFrame, "hostLabel", "Host", 600, 1440, 1575, 255);
    hostEdit = textBox(uploadFrame, "hostEdit", "localhost", 2160, 1440, 1815, 285);
    portLabel = captionLabel(uploadFrame, "portLabel", "Port", 600, 1800, 1575, 255);
    portEdit = textBox(uploadFrame, "portEdit", "9090", 2160, 1800, 1815, 285);
    userLabel = captionLabel(uploadFrame, "userLabel", "User", 600, 2160, 1095, 255);
    userEdit = textBox(uploadFrame, "userEdit", "admin", 2160, 2160, 1815, 285);
    passwordLabel = captionLabel(uploadFrame, "passwordLabel", "Password", 600, 2520, 975, 255);
    passwordEdit = textBox(uploadFrame, "passwordEdit", "", 2160, 2520, 1815, 285);
    okButton = button(this, "okButton", "OK", 840, 3360, 1215, 375);
    cancelButton = button(this, "cancelButton", "Cancel", 2280, 3360, 1215, 375);
    pollIntervalEdit = textBox(uploadFrame, "pollIntervalEdit", "5", 2160, 1080, 1095, 285);

    setTabChain({sequenceNameEdit, hostEdit, portEdit, userEdit, passwordEdit, okButton,
                 cancelButton, pollIntervalEdit});

    auto* asterisks = new AsteriskStyle(style()->name());
    asterisks->setParent(passwordEdit);
    passwordEdit->setStyle(asterisks);
    passwordEdit->setEchoMode(QLineEdit::Password);

    connect(okButton, &QPushButton::clicked, this, &UploadDialog::okClicked);
    // Cancel and the close box alike reject the dialog.
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    load();
}

UploadDialog::~UploadDialog() = default;

void UploadDialog::load()
{
    messageTitle_ = QStringLiteral("Waytrace");

    sequenceNameLabel->setToolTip(QStringLiteral("Enter the display name of the Transaction"));
    sequenceNameEdit->setToolTip(QStringLiteral("Enter the display name of the Transaction"));
    hostEdit->setToolTip(QStringLiteral("Enter the host name of the Torvane"));
    portEdit->setToolTip(QStringLiteral("Enter the port of the Torvane"));
    pollIntervalEdit->setToolTip(QStringLiteral("Enter the poll interval for this monitor"));

    for (QLineEdit* box : {sequenceNameEdit, hostEdit, portEdit, userEdit, passwordEdit})
        applyTextFont(box);

    setWindowTitle(loadText(TextId::UploadTitle));

    setCaption(hostLabel, TextId::Host);
    setCaption(portLabel, TextId::Port);
    setCaption(pollIntervalLabel, TextId::PollInterval);
    setCaption(minutesLabel, TextId::Minutes);
    setCaption(userLabel, TextId::UserName);
    setCaption(passwordLabel, TextId::Password);
    setCaption(okButton, TextId::Ok);
    setCaption(cancelButton, TextId::Cancel);
    setCaption(sequenceNameLabel, TextId::SequenceName);
}

std::optional<UploadFields> UploadDialog::ask()
{
    // Accepting or rejecting only hides the dialog: the boxes keep their values for next time.
    if (exec() != Accepted)
        return std::nullopt;
    return fields();
}

UploadFields UploadDialog::fields() const
{
    return {sequenceNameEdit->text().toStdU16String(), pollIntervalEdit->text().toStdU16String(),
            hostEdit->text().toStdU16String(),         portEdit->text().toStdU16String(),
            userEdit->text().toStdU16String(),         passwordEdit->text().toStdU16String()};
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
        {sequenceNameEdit, TextId::EnterSequenceName},
        {pollIntervalEdit, TextId::EnterPollInterval},
        {hostEdit, TextId::EnterHost},
        {portEdit, TextId::EnterPort},
        {userEdit, TextId::EnterUserName},
        {passwordEdit, TextId::EnterPassword},
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
