#include "about_window.h"

#include "browser/twips.h"
#include "design_controls.h"
#include "program_icon.h"
#include "text.h"

#include "waytrace/build_settings.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>

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
    : QDialog(parent, kFixedDialogFlags), iconLabel_(new QLabel(this)),
      titleLabel_(blackLabel(this)), versionLabel_(new QLabel(this)),
      descriptionLabel_(blackLabel(this)), okButton_(new QPushButton(this)),
      disclaimerLabel_(blackLabel(this)), systemInfoButton_(new QPushButton(this)),
      versionDetailLabel_(blackLabel(this))
{
    setObjectName(QStringLiteral("AboutWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(5445), twipsToPixels(2850));
    useDesignFontSize(this);
    // The design texts, which the load step localizes.
    setWindowTitle(QStringLiteral("About ") + kProgramTitle);
    titleLabel_->setText(kProgramTitle);
    versionLabel_->setText(QStringLiteral("Version %1.%2.%3")
                               .arg(settings::kVersionMajor)
                               .arg(settings::kVersionMinor)
                               .arg(settings::kVersionRevision));

    iconLabel_->setGeometry(twipsRect(240, 240, 540, 540));
    iconLabel_->setPixmap(programIcon().pixmap(32, 32));
    titleLabel_->setGeometry(twipsRect(1050, 240, 3885, 480));
    versionLabel_->setGeometry(twipsRect(1050, 780, 3885, 225));
    descriptionLabel_->setGeometry(twipsRect(1050, 1125, 3885, 570));
    descriptionLabel_->setWordWrap(true);
    descriptionLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    okButton_->setGeometry(twipsRect(4080, 2040, 1260, 345));
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    disclaimerLabel_->setGeometry(twipsRect(255, 2160, 3630, 225));
    systemInfoButton_->setGeometry(twipsRect(4080, 2400, 1245, 345));
    systemInfoButton_->hide();
    versionDetailLabel_->setGeometry(twipsRect(255, 2520, 3630, 225));
    for (auto* label :
         {titleLabel_, versionLabel_, descriptionLabel_, disclaimerLabel_, versionDetailLabel_})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTabOrder(okButton_, systemInfoButton_);
    setObjectNames({{iconLabel_, "iconLabel"},
                    {titleLabel_, "titleLabel"},
                    {versionLabel_, "versionLabel"},
                    {descriptionLabel_, "descriptionLabel"},
                    {okButton_, "okButton"},
                    {disclaimerLabel_, "disclaimerLabel"},
                    {systemInfoButton_, "systemInfoButton"},
                    {versionDetailLabel_, "versionDetailLabel"}});

    connect(okButton_, &QPushButton::clicked, this, &AboutWindow::okClicked);
    load();
}

void AboutWindow::load()
{
    setWindowTitle(loadText(TextId::AboutWaytrace));
    setCaption(okButton_, TextId::Ok);
    setCaption(systemInfoButton_, TextId::SystemInfo);
    setCaption(versionDetailLabel_, TextId::Support);
    setCaption(titleLabel_, TextId::MainTitle);
    setCaption(descriptionLabel_, TextId::AboutDescription);
    setCaption(disclaimerLabel_, TextId::Website);
    // The string table's line names a version of its own: its words, with this program's.
    versionLabel_->setText(loadText(TextId::VersionLine)
                               .remove(QRegularExpression(QStringLiteral("[0-9.]+$")))
                               .append(QLatin1String(settings::kVersion)));
    applyTextFont(versionLabel_);
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
