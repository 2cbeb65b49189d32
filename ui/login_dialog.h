#pragma once

#include "browser/browser_prompts.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace waytrace {

// Asks for the user name and password a server or a proxy wants, naming the host, the realm
// and whether the connection is encrypted. After a refused answer it says so and offers the
// user name again. Nothing typed here outlives the answer, except what the checkbox sends into
// the sequence.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    LoginDialog(const LoginQuestion& question, QWidget* parent = nullptr);

    [[nodiscard]] LoginAnswer answer() const;

private:
    QLabel* requestLabel_;
    QLabel* refusedLabel_;
    QLabel* hostCaption_;
    QLabel* hostValue_;
    QLabel* realmCaption_;
    QLabel* realmValue_;
    QLabel* connectionCaption_;
    QLabel* connectionValue_;
    QLabel* userNameCaption_;
    QLineEdit* userNameEdit_;
    QLabel* passwordCaption_;
    QLineEdit* passwordEdit_;
    QCheckBox* keepForSequenceCheck_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;

    void localize(const LoginQuestion& question);
};

} // namespace waytrace
