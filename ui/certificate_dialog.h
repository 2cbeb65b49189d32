#pragma once

#include "platform/browser_prompts.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace waytrace {

// Tells the user what is wrong with a site's certificate and shows the certificate, so that
// they can decide knowingly. Cancel, the default, keeps the engine's error page; Continue loads
// the page.
class CertificateDialog : public QDialog
{
    Q_OBJECT

public:
    CertificateDialog(const CertificateQuestion& question, QWidget* parent = nullptr);

    QLabel* problemLabel;
    QLabel* hostCaption;
    QLabel* hostValue;
    QLabel* subjectCaption;
    QLabel* subjectValue;
    QLabel* issuerCaption;
    QLabel* issuerValue;
    QLabel* validFromCaption;
    QLabel* validFromValue;
    QLabel* validUntilCaption;
    QLabel* validUntilValue;
    QLabel* fingerprintCaption;
    QLabel* fingerprintValue;
    QLabel* adviceLabel;
    QPushButton* continueButton;
    QPushButton* cancelButton;

private:
    void localize(CertificateProblem problem);
};

} // namespace waytrace
