#include "login_dialog.h"

#include "design_controls.h"
#include "platform/error_trap.h"
#include "text.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace waytrace {

LoginDialog::LoginDialog(const LoginQuestion& question, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("LoginDialog"));
    setModal(true);
    useDesignFontSize(this);
    setWindowTitle(QStringLiteral("Authentication Required"));

    requestLabel = plainLabel(this, "requestLabel");
    refusedLabel =
        plainLabel(this, "refusedLabel",
                   QStringLiteral("The user name or password was not accepted. Try again."));
    refusedLabel->setVisible(question.retry);
    QFont bold = refusedLabel->font();
    bold.setBold(true);
    refusedLabel->setFont(bold);
    hostCaption = plainLabel(this, "hostCaption", QStringLiteral("Host"));
    hostValue = plainLabel(this, "hostValue", question.host);
    realmCaption = plainLabel(this, "realmCaption", QStringLiteral("Realm"));
    realmValue = plainLabel(this, "realmValue", question.realm);
    connectionCaption = plainLabel(this, "connectionCaption", QStringLiteral("Connection"));
    connectionValue = plainLabel(this, "connectionValue");
    for (auto* value : {hostValue, realmValue})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    userNameCaption = plainLabel(this, "userNameCaption", QStringLiteral("Username"));
    userNameEdit = new QLineEdit(question.userName, this);
    userNameEdit->setObjectName(QStringLiteral("userNameEdit"));
    liftLengthLimit(userNameEdit);
    passwordCaption = plainLabel(this, "passwordCaption", QStringLiteral("Password"));
    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    liftLengthLimit(passwordEdit);
    keepForSequenceCheck =
        new QCheckBox(QStringLiteral("Use these credentials for this URL in the sequence"), this);
    keepForSequenceCheck->setObjectName(QStringLiteral("keepForSequenceCheck"));
    keepForSequenceCheck->setChecked(true);
    // A proxy's login is the network's, not the monitored site's.
    keepForSequenceCheck->setVisible(!question.proxy);

    auto* buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    cancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* fields = new QFormLayout();
    fields->addRow(hostCaption, hostValue);
    fields->addRow(realmCaption, realmValue);
    fields->addRow(connectionCaption, connectionValue);
    fields->addRow(userNameCaption, userNameEdit);
    fields->addRow(passwordCaption, passwordEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(requestLabel);
    layout->addWidget(refusedLabel);
    layout->addLayout(fields);
    layout->addWidget(keepForSequenceCheck);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    requestLabel->setMinimumWidth(420);

    localize(question);
    (question.userName.isEmpty() ? userNameEdit : passwordEdit)->setFocus();
}

void LoginDialog::localize(const LoginQuestion& question)
{
    requestLabel->setText(
        question.proxy ? QStringLiteral("The proxy server asks for a user name and password.")
                       : QStringLiteral("The server asks for a user name and password."));
    connectionValue->setText(question.secure
                                 ? QStringLiteral("Secure (HTTPS)")
                                 : QStringLiteral("Not secure: the password is sent unencrypted"));
    // A text the table lacks leaves the English one in place; the question is still asked.
    runTrapped([&] {
        setWindowTitle(loadText(TextId::LoginTitle));
        setCaption(requestLabel, question.proxy ? TextId::ProxyAsksLogin : TextId::ServerAsksLogin);
        setCaption(refusedLabel, TextId::LoginRefused);
        setCaption(hostCaption, TextId::Host);
        setCaption(realmCaption, TextId::Realm);
        setCaption(connectionCaption, TextId::Connection);
        setCaption(connectionValue,
                   question.secure ? TextId::SecureConnection : TextId::InsecureConnection);
        setCaption(userNameCaption, TextId::UserName);
        setCaption(passwordCaption, TextId::Password);
        setCaption(keepForSequenceCheck, TextId::KeepLoginForSequence);
        setCaption(okButton, TextId::Ok);
        setCaption(cancelButton, TextId::Cancel);
    });
}

LoginAnswer LoginDialog::answer() const
{
    return {userNameEdit->text(), passwordEdit->text(),
            !keepForSequenceCheck->isHidden() && keepForSequenceCheck->isChecked()};
}

} // namespace waytrace
