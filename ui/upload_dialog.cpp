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

// Masks the password with '*' whatever character the platform's style would use.
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

Uploaddialog::Uploaddialog(bool& uploadcancel, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), uploadcancel_(uploadcancel)
{
    setObjectName(QStringLiteral("Uploaddialog"));
    setModal(true);
    setWindowTitle(QStringLiteral("Upload"));
    setFixedSize(twipsToPixels(4920), twipsToPixels(3885));
    useDesignFontSize(this);

    // Built in tab order, so the focus chain follows it.
    U = place(new QGroupBox(this), "U", 120, 50, 4695, 3135);
    TransactionName = captionLabel(U, "TransactionName", "URL Sequence Name", 240, 240, 2535, 255);
    TName = textBox(U, "TName", "", 480, 600, 3495, 285);
    Label3 = captionLabel(U, "Label3", "Poll Interval", 600, 1080, 1215, 255);
    Label4 = captionLabel(U, "Label4", "min(s)", 3360, 1080, 615, 255);
    Label1 = captionLabel(U, "Label1", "Host", 600, 1440, 1575, 255);
    host = textBox(U, "host", "localhost", 2160, 1440, 1815, 285);
    Label2 = captionLabel(U, "Label2", "Port", 600, 1800, 1575, 255);
    port = textBox(U, "port", "9090", 2160, 1800, 1815, 285);
    Label5 = captionLabel(U, "Label5", "User", 600, 2160, 1095, 255);
    user = textBox(U, "user", "admin", 2160, 2160, 1815, 285);
    Label6 = captionLabel(U, "Label6", "Password", 600, 2520, 975, 255);
    password = textBox(U, "password", "", 2160, 2520, 1815, 285);
    OKButton = button(this, "OKButton", "OK", 840, 3360, 1215, 375);
    CancelButton = button(this, "CancelButton", "Cancel", 2280, 3360, 1215, 375);
    Text1 = textBox(U, "Text1", "5", 2160, 1080, 1095, 285);

    setTabChain({TName, host, port, user, password, OKButton, CancelButton, Text1});

    auto* asterisks = new AsteriskStyle(style()->name());
    asterisks->setParent(password);
    password->setStyle(asterisks);
    password->setEchoMode(QLineEdit::Password);

    connect(OKButton, &QPushButton::clicked, this, &Uploaddialog::OKButtonClicked);
    connect(CancelButton, &QPushButton::clicked, this, &Uploaddialog::CancelButtonClicked);

    load();
}

Uploaddialog::~Uploaddialog() = default;

void Uploaddialog::load()
{
    messageTitle_ = QStringLiteral("Waytrace");

    TransactionName->setToolTip(QStringLiteral("Enter the display name of the Transaction"));
    TName->setToolTip(QStringLiteral("Enter the display name of the Transaction"));
    host->setToolTip(QStringLiteral("Enter the host name of the Torvane"));
    port->setToolTip(QStringLiteral("Enter the port of the Torvane"));
    Text1->setToolTip(QStringLiteral("Enter the poll interval for this monitor"));

    for (QLineEdit* box : {TName, host, port, user, password})
        ApplyTextFont(box);

    setWindowTitle(LoadText(131));

    setCaption(Label1, 135);
    setCaption(Label2, 136);
    setCaption(Label3, 133);
    setCaption(Label4, 134);
    setCaption(Label5, 120);
    setCaption(Label6, 121);
    setCaption(OKButton, 128);
    setCaption(CancelButton, 137);
    setCaption(TransactionName, 132);
}

void Uploaddialog::showModal()
{
    exec();
}

std::optional<UploadFields> Uploaddialog::ask()
{
    showModal();
    if (uploadcancel_)
        return std::nullopt;
    return fields();
}

UploadFields Uploaddialog::fields() const
{
    return {TName->text().toStdU16String(), Text1->text().toStdU16String(),
            host->text().toStdU16String(),  port->text().toStdU16String(),
            user->text().toStdU16String(),  password->text().toStdU16String()};
}

void Uploaddialog::reject()
{
    CancelButtonClicked();
}

void Uploaddialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // Esc is not Cancel here: no button is the dialog's cancel button.
        event->ignore();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses the button that has the focus, and nothing else.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
            focused == OKButton || focused == CancelButton) {
            focused->click();
            return;
        }
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void Uploaddialog::OKButtonClicked()
{
    const std::array<std::pair<QLineEdit*, int>, 6> required{{
        {TName, 146},
        {Text1, 147},
        {host, 142},
        {port, 143},
        {user, 144},
        {password, 145},
    }};
    for (const auto& [box, id] : required) {
        if (box->text().isEmpty()) {
            showMessage(this, messageTitle_, LoadText(id));
            box->setFocus();
            return;
        }
    }
    uploadcancel_ = false;
    hide();
}

void Uploaddialog::CancelButtonClicked()
{
    uploadcancel_ = true;
    hide();
}

} // namespace waytrace
