#pragma once

// Answers what the browser asks from a script of answers and keeps every question: the one
// seam through which tests answer logins, certificate problems, downloads and page dialogs.

#include "browser/browser_prompts.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class ScriptedPrompts : public waytrace::BrowserPrompts
{
public:
    // Answers, used first to last; once used up, every question is cancelled.
    QList<std::optional<waytrace::LoginAnswer>> logins;
    QList<bool> certificates;
    QList<QString> downloadPaths;
    bool confirmAnswer = false;
    std::optional<QString> promptAnswer;

    // Questions, as asked.
    QList<waytrace::LoginQuestion> loginQuestions;
    QList<waytrace::CertificateQuestion> certificateQuestions;
    QList<QString> proposedPaths;
    QList<QString> dialogs;       // "kind host text"
    std::function<void()> reload; // of the page that died last

    std::optional<waytrace::LoginAnswer> login(QWidget*,
                                               const waytrace::LoginQuestion& question) override
    {
        loginQuestions.append(question);
        return logins.isEmpty() ? std::nullopt : logins.takeFirst();
    }
    bool continuePastCertificate(QWidget*, const waytrace::CertificateQuestion& question) override
    {
        certificateQuestions.append(question);
        return !certificates.isEmpty() && certificates.takeFirst();
    }
    QString downloadPath(QWidget*, const QString& proposedPath) override
    {
        proposedPaths.append(proposedPath);
        return downloadPaths.isEmpty() ? QString() : downloadPaths.takeFirst();
    }
    void alert(QWidget*, const QString& host, const QString& text) override
    {
        dialogs.append(QStringLiteral("alert %1 %2").arg(host, text));
    }
    bool confirm(QWidget*, const QString& host, const QString& text) override
    {
        dialogs.append(QStringLiteral("confirm %1 %2").arg(host, text));
        return confirmAnswer;
    }
    std::optional<QString> prompt(QWidget*, const QString& host, const QString& text,
                                  const QString& value) override
    {
        dialogs.append(QStringLiteral("prompt %1 %2 %3").arg(host, text, value));
        return promptAnswer;
    }
    bool leavePage(QWidget*, const QString& host) override
    {
        dialogs.append(QStringLiteral("leave %1").arg(host));
        return true;
    }
    void pageDied(QWidget*, std::function<void()> reloadPage) override
    {
        reload = std::move(reloadPage);
    }
};
