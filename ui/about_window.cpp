#include "about_window.h"

#include "design_controls.h"
#include "platform/twips.h"
#include "program_icon.h"
#include "text.h"

#include "waytrace/build_settings.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace waytrace {

namespace {

const QString kProgramTitle = QStringLiteral("Waytrace");

QLabel* blackLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), iconLabel(new QLabel(this)), titleLabel(blackLabel(this)),
      versionLabel(new QLabel(this)), descriptionLabel(blackLabel(this)),
      okButton(new QPushButton(this)), disclaimerLabel(blackLabel(this)),
      systemInfoButton(new QPushButton(this)), versionDetailLabel(blackLabel(this))
{
    setObjectName(QStringLiteral("AboutWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(5445), twipsToPixels(2850));
    useDesignFontSize(this);

    iconLabel->setGeometry(twipsRect(240, 240, 540, 540));
    iconLabel->setPixmap(programIcon().pixmap(32, 32));
    titleLabel->setGeometry(twipsRect(1050, 240, 3885, 480));
    versionLabel->setGeometry(twipsRect(1050, 780, 3885, 225));
    descriptionLabel->setGeometry(twipsRect(1050, 1125, 3885, 570));
    descriptionLabel->setWordWrap(true);
    descriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    okButton->setGeometry(twipsRect(4080, 2040, 1260, 345));
    okButton->setDefault(true);
    okButton->setAutoDefault(true);
    disclaimerLabel->setGeometry(twipsRect(255, 2160, 3630, 225));
    systemInfoButton->setGeometry(twipsRect(4080, 2400, 1245, 345));
    systemInfoButton->hide();
    versionDetailLabel->setGeometry(twipsRect(255, 2520, 3630, 225));
    for (auto* label :
         {titleLabel, versionLabel, descriptionLabel, disclaimerLabel, versionDetailLabel})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTabOrder(okButton, systemInfoButton);

    connect(okButton, &QPushButton::clicked, this, &AboutWindow::okClicked);
    load();
}

void AboutWindow::load()
{
    setWindowTitle(QStringLiteral("About ") + kProgramTitle);
    versionLabel->setText(QStringLiteral("Version %1.%2.%3")
                              .arg(settings::kVersionMajor)
                              .arg(settings::kVersionMinor)
                              .arg(settings::kVersionRevision));
    titleLabel->setText(kProgramTitle);

    setWindowTitle(loadText(TextId::AboutWaytrace));
    setCaption(okButton, TextId::Ok);
    setCaption(systemInfoButton, TextId::SystemInfo);
    setCaption(versionDetailLabel, TextId::Support);
    setCaption(titleLabel, TextId::MainTitle);
    setCaption(descriptionLabel, TextId::AboutDescription);
    setCaption(disclaimerLabel, TextId::Website);
    setCaption(versionLabel, TextId::VersionLine);
}

void AboutWindow::okClicked()
{
    accept(); // the window is discarded (WA_DeleteOnClose), not just hidden
}

void AboutWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // An etched separator: a white line under a grey one.
    QPainter painter(this);
    const int y = twipsToPixels(1920);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(twipsToPixels(105), y + 1, twipsToPixels(5654), y + 1);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(twipsToPixels(120), y, twipsToPixels(5684), y);
}

} // namespace waytrace
