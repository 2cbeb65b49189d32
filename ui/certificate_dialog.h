#pragma once

#include "browser/browser_prompts.h"

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

private:
    QLabel* problemLabel_;
    QLabel* hostCaption_;
    QLabel* hostValue_;
    QLabel* subjectCaption_;
    QLabel* subjectValue_;
    QLabel* issuerCaption_;
    QLabel* issuerValue_;
    QLabel* validFromCaption_;
    QLabel* validFromValue_;
    QLabel* validUntilCaption_;
    QLabel* validUntilValue_;
    QLabel* fingerprintCaption_;
    QLabel* fingerprintValue_;
    QLabel* adviceLabel_;
    QPushButton* continueButton_;
    QPushButton* cancelButton_;

    void localize(CertificateProblem problem);
};

} // namespace waytrace
