#pragma once

#include "common/accepted_certificates.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace waytrace {

// A server or a proxy asks for a user name and password.
struct LoginQuestion
{
    QUrl url;     // the address the request was for
    QString host; // the server's host, or the proxy's
    QString realm;
    bool secure = false; // the credentials travel encrypted
    bool proxy = false;
    // The last answer for this host and realm was refused; its user name comes again.
    bool retry = false;
    QString userName;
};

struct LoginAnswer
{
    QString userName;
    QString password;
    // Store them into the URL's record, so that the monitor logs in too.
    bool keepForSequence = true;
};

struct CertificateQuestion
{
    QString host;
    CertificateProblem problem = CertificateProblem::Other;
    QString subject;
    QString issuer;
    QDateTime validFrom;
    QDateTime validUntil;
    QString fingerprint; // SHA-256, colon-separated hex pairs
};

// Whoever answers what a site asks of the browser: a person through dialogs, a test, or nobody.
// Every question is asked on the UI thread and answered before the browser goes on; `window`
// is the asking browser's window, on which a dialog is modal.
class BrowserPrompts
{
public:
    virtual ~BrowserPrompts() = default;

    // Nothing: cancel, and the site's own refusal page shows.
    virtual std::optional<LoginAnswer> login(QWidget* window, const LoginQuestion& question) = 0;
    // True: load the page despite the problem.
    virtual bool continuePastCertificate(QWidget* window, const CertificateQuestion& question) = 0;
    // Where to save a download, as a full path; empty cancels it.
    virtual QString downloadPath(QWidget* window, const QString& proposedPath) = 0;

    // The page's own dialogs; `host` is the page's host.
    virtual void alert(QWidget* window, const QString& host, const QString& text) = 0;
    virtual bool confirm(QWidget* window, const QString& host, const QString& text) = 0;
    virtual std::optional<QString> prompt(QWidget* window, const QString& host, const QString& text,
                                          const QString& value) = 0;
    // The page asks before it is left; true leaves.
    virtual bool leavePage(QWidget* window, const QString& host) = 0;

    // The page's renderer process died; `view` shows nothing until `reload` runs.
    virtual void pageDied(QWidget* view, std::function<void()> reload) = 0;
};

// Nobody to ask: every question counts as cancelled, and a dead page stays as it is.
class CancellingPrompts : public BrowserPrompts
{
public:
    std::optional<LoginAnswer> login(QWidget*, const LoginQuestion&) override { return {}; }
    bool continuePastCertificate(QWidget*, const CertificateQuestion&) override { return false; }
    QString downloadPath(QWidget*, const QString&) override { return {}; }
    void alert(QWidget*, const QString&, const QString&) override {}
    bool confirm(QWidget*, const QString&, const QString&) override { return false; }
    std::optional<QString> prompt(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    bool leavePage(QWidget*, const QString&) override { return false; }
    void pageDied(QWidget*, std::function<void()>) override {}
};

} // namespace waytrace
