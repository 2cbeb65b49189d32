#include "dialog_prompts.h"

#include "certificate_dialog.h"
#include "common/error_trap.h"
#include "design_controls.h"
#include "login_dialog.h"
#include "message_box.h"
#include "text.h"

#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace waytrace {

namespace {

// The text of `id`, or `english` when the table lacks it: a question must be asked anyway.
QString textOr(TextId id, const QString& english)
{
    QString text = english;
    runTrapped([&] { text = loadText(id); });
    return text;
}

bool askOkCancel(QWidget* window, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    window);
    box.setTextFormat(Qt::PlainText); // the page's words, not markup
    box.button(QMessageBox::Ok)->setText(textOr(TextId::Ok, QStringLiteral("OK")));
    box.button(QMessageBox::Cancel)->setText(textOr(TextId::Cancel, QStringLiteral("Cancel")));
    return box.exec() == QMessageBox::Ok;
}

} // namespace

std::optional<LoginAnswer> DialogPrompts::login(QWidget* window, const LoginQuestion& question)
{
    LoginDialog dialog(question, window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.answer();
}

bool DialogPrompts::continuePastCertificate(QWidget* window, const CertificateQuestion& question)
{
    CertificateDialog dialog(question, window);
    return dialog.exec() == QDialog::Accepted;
}

QString DialogPrompts::downloadPath(QWidget* window, const QString& proposedPath)
{
    return QFileDialog::getSaveFileName(
        window, textOr(TextId::SaveDownloadTitle, QStringLiteral("Save Download")), proposedPath);
}

void DialogPrompts::alert(QWidget* window, const QString& host, const QString& text)
{
    showMessage(window, host, text);
}

bool DialogPrompts::confirm(QWidget* window, const QString& host, const QString& text)
{
    return askOkCancel(window, host, text);
}

std::optional<QString> DialogPrompts::prompt(QWidget* window, const QString& host,
                                             const QString& text, const QString& value)
{
    QInputDialog dialog(window);
    dialog.setWindowTitle(host);
    dialog.setLabelText(text);
    for (auto* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText); // the page's words, not markup
    dialog.setTextValue(value);
    dialog.setOkButtonText(textOr(TextId::Ok, QStringLiteral("OK")));
    dialog.setCancelButtonText(textOr(TextId::Cancel, QStringLiteral("Cancel")));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

bool DialogPrompts::leavePage(QWidget* window, const QString& host)
{
    return askOkCancel(
        window, host,
        textOr(TextId::LeavePage,
               QStringLiteral("Leave this page? Changes you made may not be saved.")));
}

void DialogPrompts::pageDied(QWidget* view, std::function<void()> reload)
{
    (new DeadPageNotice(view, std::move(reload)))->show();
}

DeadPageNotice::DeadPageNotice(QWidget* view, std::function<void()> reload)
    : QFrame(view), reload_(std::move(reload))
{
    setObjectName(QStringLiteral("DeadPageNotice"));
    setAutoFillBackground(true);
    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName(QStringLiteral("messageLabel"));
    messageLabel_->setWordWrap(true);
    messageLabel_->setAlignment(Qt::AlignCenter);
    messageLabel_->setText(QStringLiteral("This page stopped working: its process ended "
                                          "unexpectedly. Reload it to go on recording."));
    reloadButton_ = new QPushButton(QStringLiteral("Reload"), this);
    reloadButton_->setObjectName(QStringLiteral("reloadButton"));
    runTrapped([this] {
        setCaption(messageLabel_, TextId::PageCrashed);
        setCaption(reloadButton_, TextId::Reload);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(messageLabel_);
    layout->addWidget(reloadButton_, 0, Qt::AlignCenter);
    layout->addStretch();
    connect(reloadButton_, &QPushButton::clicked, this, &DeadPageNotice::reloadClicked);

    // Over the whole view, whatever size it takes; a newer notice replaces this one.
    for (auto* older : view->findChildren<DeadPageNotice*>(QString(), Qt::FindDirectChildrenOnly))
        if (older != this)
            older->deleteLater();
    setGeometry(view->rect());
    view->installEventFilter(this);
    raise();
    // A page loading again, by Reload or by any other navigation, is alive: the notice goes.
    if (view->metaObject()->indexOfSignal("loadStarted()") >= 0)
        connect(view, SIGNAL(loadStarted()), this, SLOT(deleteLater()));
}

bool DeadPageNotice::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QFrame::eventFilter(watched, event);
}

void DeadPageNotice::reloadClicked()
{
    if (reload_)
        reload_();
    deleteLater();
}

} // namespace waytrace
