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

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags), picIcon(new QLabel(this)), lblTitle(blackLabel(this)),
      lblVersion(new QLabel(this)), lblDescription(blackLabel(this)), cmdOK(new QPushButton(this)),
      lblDisclaimer(blackLabel(this)), cmdSysInfo(new QPushButton(this)), Label1(blackLabel(this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(programIcon());
    setFixedSize(twipsToPixels(5445), twipsToPixels(2850));
    useDesignFontSize(this);

    picIcon->setGeometry(twipsRect(240, 240, 540, 540));
    picIcon->setPixmap(programIcon().pixmap(32, 32));
    lblTitle->setGeometry(twipsRect(1050, 240, 3885, 480));
    lblVersion->setGeometry(twipsRect(1050, 780, 3885, 225));
    lblDescription->setGeometry(twipsRect(1050, 1125, 3885, 570));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdOK->setGeometry(twipsRect(4080, 2040, 1260, 345));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    lblDisclaimer->setGeometry(twipsRect(255, 2160, 3630, 225));
    cmdSysInfo->setGeometry(twipsRect(4080, 2400, 1245, 345));
    cmdSysInfo->hide();
    Label1->setGeometry(twipsRect(255, 2520, 3630, 225));
    for (auto* label : {lblTitle, lblVersion, lblDescription, lblDisclaimer, Label1})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTabOrder(cmdOK, cmdSysInfo);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOKClicked);
    load();
}

void frmAbout::load()
{
    setWindowTitle(QStringLiteral("About ") + kProgramTitle);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(settings::kVersionMajor)
                            .arg(settings::kVersionMinor)
                            .arg(settings::kVersionRevision));
    lblTitle->setText(kProgramTitle);

    setWindowTitle(LoadText(112));
    setCaption(cmdOK, 128);
    setCaption(cmdSysInfo, 129);
    setCaption(Label1, 127);
    setCaption(lblTitle, 101);
    setCaption(lblDescription, 125);
    setCaption(lblDisclaimer, 126);
    setCaption(lblVersion, 130);
}

void frmAbout::cmdOKClicked()
{
    accept(); // the window is discarded (WA_DeleteOnClose), not just hidden
}

void frmAbout::paintEvent(QPaintEvent* event)
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
