#include "certificate_dialog.h"

#include "design_controls.h"
#include "platform/error_trap.h"
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

    problemLabel =
        plainLabel(this, "problemLabel", QStringLiteral("The certificate is not valid."));
    QFont bold = problemLabel->font();
    bold.setBold(true);
    problemLabel->setFont(bold);
    hostCaption = plainLabel(this, "hostCaption", QStringLiteral("Host"));
    hostValue = value(this, "hostValue", question.host);
    subjectCaption = plainLabel(this, "subjectCaption", QStringLiteral("Subject"));
    subjectValue = value(this, "subjectValue", question.subject);
    issuerCaption = plainLabel(this, "issuerCaption", QStringLiteral("Issuer"));
    issuerValue = value(this, "issuerValue", question.issuer);
    validFromCaption = plainLabel(this, "validFromCaption", QStringLiteral("Valid from"));
    validFromValue = value(this, "validFromValue", dateText(question.validFrom));
    validUntilCaption = plainLabel(this, "validUntilCaption", QStringLiteral("Valid until"));
    validUntilValue = value(this, "validUntilValue", dateText(question.validUntil));
    fingerprintCaption =
        plainLabel(this, "fingerprintCaption", QStringLiteral("SHA-256 fingerprint"));
    fingerprintValue = value(this, "fingerprintValue", twoLines(question.fingerprint));
    fingerprintValue->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    adviceLabel =
        plainLabel(this, "adviceLabel",
                   QStringLiteral("Continue only if you trust this host. The decision holds "
                                  "until Waytrace ends."));

    auto* buttons = new QDialogButtonBox(this);
    continueButton = buttons->addButton(QStringLiteral("Continue"), QDialogButtonBox::AcceptRole);
    continueButton->setObjectName(QStringLiteral("continueButton"));
    continueButton->setAutoDefault(false);
    cancelButton = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Enter, or a hasty click on what has the focus, must not let the page through.
    cancelButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* fields = new QFormLayout();
    fields->addRow(hostCaption, hostValue);
    fields->addRow(subjectCaption, subjectValue);
    fields->addRow(issuerCaption, issuerValue);
    fields->addRow(validFromCaption, validFromValue);
    fields->addRow(validUntilCaption, validUntilValue);
    fields->addRow(fingerprintCaption, fingerprintValue);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(problemLabel);
    layout->addLayout(fields);
    layout->addWidget(adviceLabel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    problemLabel->setMinimumWidth(520);

    localize(question.problem);
    cancelButton->setFocus();
}

void CertificateDialog::localize(CertificateProblem problem)
{
    // A text the table lacks leaves the English one in place; the question is still asked.
    runTrapped([&] {
        setWindowTitle(loadText(TextId::CertificateTitle));
        setCaption(problemLabel, problemId(problem));
        setCaption(hostCaption, TextId::Host);
        setCaption(subjectCaption, TextId::Subject);
        setCaption(issuerCaption, TextId::Issuer);
        setCaption(validFromCaption, TextId::ValidFrom);
        setCaption(validUntilCaption, TextId::ValidUntil);
        setCaption(fingerprintCaption, TextId::Fingerprint);
        setCaption(adviceLabel, TextId::ContinueWarning);
        setCaption(continueButton, TextId::Continue);
        setCaption(cancelButton, TextId::Cancel);
    });
}

} // namespace waytrace
