#pragma once

#include "output/upload_request.h"

#include <QDialog>

#include <optional>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace waytrace {

// Asks for what an upload needs besides the sequence: its name and poll interval, and the
// server's host, port, user name and password. OK and Cancel only hide it, so the boxes keep
// their values for the next upload.
class Uploaddialog : public QDialog
{
    Q_OBJECT

public:
    // uploadcancel is the shower's flag: false after a valid OK, true after Cancel or the
    // close box; untouched while the dialog stays open.
    explicit Uploaddialog(bool& uploadcancel, QWidget* parent = nullptr);
    ~Uploaddialog() override;

    // Shows the dialog modally and returns once OK, Cancel or the close box has hidden it.
    void showModal();
    // Shows the dialog modally; the six values as typed after OK, nothing after Cancel or the
    // close box.
    std::optional<UploadFields> ask();
    // The six values as typed now.
    [[nodiscard]] UploadFields fields() const;

    // The controls, in tab order (the poll interval box comes last).
    QGroupBox* U;
    QLabel* TransactionName;
    QLineEdit* TName;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label1;
    QLineEdit* host;
    QLabel* Label2;
    QLineEdit* port;
    QLabel* Label5;
    QLineEdit* user;
    QLabel* Label6;
    QLineEdit* password;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QLineEdit* Text1;

public slots:
    // Every way of dismissing the dialog without OK counts as Cancel.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void load();
    void OKButtonClicked();
    void CancelButtonClicked();

    bool& uploadcancel_;
    QString messageTitle_;
};

} // namespace waytrace
