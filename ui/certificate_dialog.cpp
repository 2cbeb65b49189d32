#include "certificate_dialog.h"

#include "common/error_trap.h"
#include "design_controls.h"
#include "text.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace waytrace {

namespace {

QLabel* value(QWidget* parent, const char* name, const QString& text)
{
    auto* control = plainLabel(parent, name, text);
    control->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return control;
}

QString dateText(const QDateTime& date)
{
    return QLocale().toString(date.toUTC(), QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

// A SHA-256 fingerprint is 32 pairs; in two rows of 16 it fits the dialog.
QString twoLines(const QString& fingerprint)
{
    constexpr int kHalf = 16 * 3;
    if (fingerprint.size() <= kHalf)
        return fingerprint;
    return fingerprint.left(kHalf - 1) + u'\n' + fingerprint.mid(kHalf);
}

TextId problemId(CertificateProblem problem)
{
    switch (problem) {
    case CertificateProblem::SelfSigned:
        return TextId::CertificateSelfSigned;
    case CertificateProblem::Expired:
        return TextId::CertificateExpired;
    case CertificateProblem::WrongHost:
        return TextId::CertificateWrongHost;
    case CertificateProblem::UnknownAuthority:
        return TextId::CertificateUnknownAuthority;
    case CertificateProblem::Other:
        break;
    }
    return TextId::CertificateInvalid;
}

} // namespace

CertificateDialog::CertificateDialog(const CertificateQuestion& question, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("CertificateDialog"));
    setModal(true);
    useDesignFontSize(this);
    setWindowTitle(QStringLiteral("Certificate Problem"));

    problemLabel_ =
        plainLabel(this, "problemLabel", QStringLiteral("The certificate is not valid."));
    QFont bold = problemLabel_->font();
    bold.setBold(true);
    problemLabel_->setFont(bold);
    hostCaption_ = plainLabel(this, "hostCaption", QStringLiteral("Host"));
    hostValue_ = value(this, "hostValue", question.host);
    subjectCaption_ = plainLabel(this, "subjectCaption", QStringLiteral("Subject"));
    subjectValue_ = value(this, "subjectValue", question.subject);
    issuerCaption_ = plainLabel(this, "issuerCaption", QStringLiteral("Issuer"));
    issuerValue_ = value(this, "issuerValue", question.issuer);
    validFromCaption_ = plainLabel(this, "validFromCaption", QStringLiteral("Valid from"));
    validFromValue_ = value(this, "validFromValue", dateText(question.validFrom));
    validUntilCaption_ = plainLabel(this, "validUntilCaption", QStringLiteral("Valid until"));
    validUntilValue_ = value(this, "validUntilValue", dateText(question.validUntil));
    fingerprintCaption_ =
        plainLabel(this, "fingerprintCaption", QStringLiteral("SHA-256 fingerprint"));
    fingerprintValue_ = value(this, "fingerprintValue", twoLines(question.fingerprint));
    fingerprintValue_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    adviceLabel_ =
        plainLabel(this, "adviceLabel",
                   QStringLiteral("Continue only if you trust this host. The decision holds "
                                  "until Waytrace ends."));

    auto* buttons = new QDialogButtonBox(this);
    continueButton_ = buttons->addButton(QStringLiteral("Continue"), QDialogButtonBox::AcceptRole);
    continueButton_->setObjectName(QStringLiteral("continueButton"));
    continueButton_->setAutoDefault(false);
    cancelButton_ = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    // Enter, or a hasty click on what has the focus, must not let the page through.
    cancelButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* fields = new QFormLayout();
    fields->addRow(hostCaption_, hostValue_);
    fields->addRow(subjectCaption_, subjectValue_);
    fields->addRow(issuerCaption_, issuerValue_);
    fields->addRow(validFromCaption_, validFromValue_);
    fields->addRow(validUntilCaption_, validUntilValue_);
    fields->addRow(fingerprintCaption_, fingerprintValue_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(problemLabel_);
    layout->addLayout(fields);
    layout->addWidget(adviceLabel_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    problemLabel_->setMinimumWidth(520);

    localize(question.problem);
    cancelButton_->setFocus();
}

void CertificateDialog::localize(CertificateProblem problem)
{
    // A text the table lacks leaves the English one in place; the question is still asked.
    runTrapped([&] {
        setWindowTitle(loadText(TextId::CertificateTitle));
        setCaption(problemLabel_, problemId(problem));
        setCaption(hostCaption_, TextId::Host);
        setCaption(subjectCaption_, TextId::Subject);
        setCaption(issuerCaption_, TextId::Issuer);
        setCaption(validFromCaption_, TextId::ValidFrom);
        setCaption(validUntilCaption_, TextId::ValidUntil);
        setCaption(fingerprintCaption_, TextId::Fingerprint);
        setCaption(adviceLabel_, TextId::ContinueWarning);
        setCaption(continueButton_, TextId::Continue);
        setCaption(cancelButton_, TextId::Cancel);
    });
}

} // namespace waytrace
