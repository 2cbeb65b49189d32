#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace waytrace {

// The about window: product name, version line, description, web site and support lines.
// Modeless; OK (also Enter, and Esc through the dialog's own reject) or the close box
// discards it, and the next About command
// builds it anew. Building it runs the load step, which throws when a text lookup fails.
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* iconLabel_;
    QLabel* titleLabel_;
    QLabel* versionLabel_;
    QLabel* descriptionLabel_;
    QPushButton* okButton_;
    QLabel* disclaimerLabel_;
    QPushButton* systemInfoButton_; // hidden; nothing shows it
    QLabel* versionDetailLabel_;

    void load();
    void okClicked();
};

} // namespace waytrace
