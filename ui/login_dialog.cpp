#include "login_dialog.h"

#include "common/error_trap.h"
#include "design_controls.h"
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

    requestLabel_ = plainLabel(this, "requestLabel");
    refusedLabel_ =
        plainLabel(this, "refusedLabel",
                   QStringLiteral("The user name or password was not accepted. Try again."));
    refusedLabel_->setVisible(question.retry);
    QFont bold = refusedLabel_->font();
    bold.setBold(true);
    refusedLabel_->setFont(bold);
    hostCaption_ = plainLabel(this, "hostCaption", QStringLiteral("Host"));
    hostValue_ = plainLabel(this, "hostValue", question.host);
    realmCaption_ = plainLabel(this, "realmCaption", QStringLiteral("Realm"));
    realmValue_ = plainLabel(this, "realmValue", question.realm);
    connectionCaption_ = plainLabel(this, "connectionCaption", QStringLiteral("Connection"));
    connectionValue_ = plainLabel(this, "connectionValue");
    for (auto* value : {hostValue_, realmValue_})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    userNameCaption_ = plainLabel(this, "userNameCaption", QStringLiteral("Username"));
    userNameEdit_ = new QLineEdit(question.userName, this);
    userNameEdit_->setObjectName(QStringLiteral("userNameEdit"));
    liftLengthLimit(userNameEdit_);
    passwordCaption_ = plainLabel(this, "passwordCaption", QStringLiteral("Password"));
    passwordEdit_ = new QLineEdit(this);
    passwordEdit_->setObjectName(QStringLiteral("passwordEdit"));
    passwordEdit_->setEchoMode(QLineEdit::Password);
    liftLengthLimit(passwordEdit_);
    keepForSequenceCheck_ =
        new QCheckBox(QStringLiteral("Use these credentials for this URL in the sequence"), this);
    keepForSequenceCheck_->setObjectName(QStringLiteral("keepForSequenceCheck"));
    keepForSequenceCheck_->setChecked(true);
    // A proxy's login is the network's, not the monitored site's.
    keepForSequenceCheck_->setVisible(!question.proxy);

    auto* buttons = new QDialogButtonBox(this);
    okButton_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    cancelButton_ = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* fields = new QFormLayout();
    fields->addRow(hostCaption_, hostValue_);
    fields->addRow(realmCaption_, realmValue_);
    fields->addRow(connectionCaption_, connectionValue_);
    fields->addRow(userNameCaption_, userNameEdit_);
    fields->addRow(passwordCaption_, passwordEdit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(requestLabel_);
    layout->addWidget(refusedLabel_);
    layout->addLayout(fields);
    layout->addWidget(keepForSequenceCheck_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    requestLabel_->setMinimumWidth(420);

    localize(question);
    (question.userName.isEmpty() ? userNameEdit_ : passwordEdit_)->setFocus();
}

void LoginDialog::localize(const LoginQuestion& question)
{
    requestLabel_->setText(
        question.proxy ? QStringLiteral("The proxy server asks for a user name and password.")
                       : QStringLiteral("The server asks for a user name and password."));
    connectionValue_->setText(question.secure
                                  ? QStringLiteral("Secure (HTTPS)")
                                  : QStringLiteral("Not secure: the password is sent unencrypted"));
    // A text the table lacks leaves the English one in place; the question is still asked.
    runTrapped([&] {
        setWindowTitle(loadText(TextId::LoginTitle));
        setCaption(requestLabel_,
                   question.proxy ? TextId::ProxyAsksLogin : TextId::ServerAsksLogin);
        setCaption(refusedLabel_, TextId::LoginRefused);
        setCaption(hostCaption_, TextId::Host);
        setCaption(realmCaption_, TextId::Realm);
        setCaption(connectionCaption_, TextId::Connection);
        setCaption(connectionValue_,
                   question.secure ? TextId::SecureConnection : TextId::InsecureConnection);
        setCaption(userNameCaption_, TextId::UserName);
        setCaption(passwordCaption_, TextId::Password);
        setCaption(keepForSequenceCheck_, TextId::KeepLoginForSequence);
        setCaption(okButton_, TextId::Ok);
        setCaption(cancelButton_, TextId::Cancel);
    });
}

LoginAnswer LoginDialog::answer() const
{
    return {userNameEdit_->text(), passwordEdit_->text(),
            !keepForSequenceCheck_->isHidden() && keepForSequenceCheck_->isChecked()};
}

} // namespace waytrace
