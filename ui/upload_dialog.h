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
// server's hostEdit, portEdit, userEdit name and passwordEdit. OK and Cancel only hide it, so the
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

    // The controls, in tab order (the poll interval box comes last).
    QGroupBox* uploadFrame;
    QLabel* sequenceNameLabel;
    QLineEdit* sequenceNameEdit;
    QLabel* pollIntervalLabel;
    QLabel* minutesLabel;
    QLabel* hostLabel;
    QLineEdit* hostEdit;
    QLabel* portLabel;
    QLineEdit* portEdit;
    QLabel* userLabel;
    QLineEdit* userEdit;
    QLabel* passwordLabel;
    QLineEdit* passwordEdit;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QLineEdit* pollIntervalEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void load();
    void okClicked();
    // The six values as typed now.
    [[nodiscard]] UploadFields fields() const;

    QString messageTitle_;
};

} // namespace waytrace
