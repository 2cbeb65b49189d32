#pragma once

#include "output/upload_request.h"

#include <QByteArray>
#include <QDialog>
#include <QPoint>
#include <QTimer>

#include <optional>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace waytrace {

// Asks for what an upload needs besides the sequence: its name and poll interval, and the
// server's host, port, user name and password. OK and Cancel only hide it, so the
// boxes keep their values for the next upload.
class UploadDialog : public QDialog
{
    Q_OBJECT

public:
    explicit UploadDialog(QWidget* parent = nullptr);
    ~UploadDialog() override;

    // Shows the dialog modally; the six values as typed after a valid OK, nothing after Cancel
    // or the close box.
    std::optional<UploadFields> ask();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Where it was when last hidden, window frame included; none before its first showing.
    std::optional<QPoint> lastPlace_;
    // Checks the place of a re-shown dialog for a while (see checkPlace()).
    void checkPlace();
    QTimer placeTimer_;
    int placeChecks_ = 0;
    static constexpr int kPlaceChecks = 40; // every 50 ms: two seconds

    // The controls, in tab order (the poll interval box comes last).
    QGroupBox* uploadFrame_;
    QLabel* sequenceNameLabel_;
    QLineEdit* sequenceNameEdit_;
    QLabel* pollIntervalLabel_;
    QLabel* minutesLabel_;
    QLabel* hostLabel_;
    QLineEdit* hostEdit_;
    QLabel* portLabel_;
    QLineEdit* portEdit_;
    QLabel* userLabel_;
    QLineEdit* userEdit_;
    QLabel* passwordLabel_;
    QLineEdit* passwordEdit_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QLineEdit* pollIntervalEdit_;

    void load();
    void okClicked();
    // The six values as typed now.
    [[nodiscard]] UploadFields fields() const;

    QString messageTitle_;
};

} // namespace waytrace
