#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace waytrace {

// The about window: product name, version line, description, web site and support lines.
// Modeless; OK (also Enter, and Esc through the dialog's own reject) or the close box
// discards it, and the next About command
// builds it anew. Building it runs the load step, which throws when a text lookup fails.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QPushButton* cmdOK;
    QLabel* lblDisclaimer;
    QPushButton* cmdSysInfo; // hidden; nothing shows it
    QLabel* Label1;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void load();
    void cmdOKClicked();
};

} // namespace waytrace
