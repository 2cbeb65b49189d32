#pragma once

#include "browser/browser_prompts.h"

#include <QFrame>

#include <functional>

class QLabel;
class QPushButton;

namespace waytrace {

// A person answers: each question is a dialog, modal on the asking browser's window, in the
// interface language. The page's own dialogs are titled with the page's host, so that a page
// cannot pass its words off as the program's.
class DialogPrompts : public BrowserPrompts
{
public:
    std::optional<LoginAnswer> login(QWidget* window, const LoginQuestion& question) override;
    bool continuePastCertificate(QWidget* window, const CertificateQuestion& question) override;
    QString downloadPath(QWidget* window, const QString& proposedPath) override;
    void alert(QWidget* window, const QString& host, const QString& text) override;
    bool confirm(QWidget* window, const QString& host, const QString& text) override;
    std::optional<QString> prompt(QWidget* window, const QString& host, const QString& text,
                                  const QString& value) override;
    bool leavePage(QWidget* window, const QString& host) override;
    void pageDied(QWidget* view, std::function<void()> reload) override;
};

// Covers a browser whose page died: says so and offers Reload, which brings the page back and
// removes the notice. The rest of the program goes on meanwhile.
class DeadPageNotice : public QFrame
{
    Q_OBJECT

public:
    DeadPageNotice(QWidget* view, std::function<void()> reload);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reloadClicked();

    QLabel* messageLabel_;
    QPushButton* reloadButton_;
    std::function<void()> reload_;
};

} // namespace waytrace
