#pragma once

#include "browser/browser_prompts.h"
#include "common/accepted_certificates.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>

class QAuthenticator;
class QWebEngineCertificateError;
class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace waytrace {

class WebEngineBrowser;

// What a session's pages ask of the browser (logins, certificate problems, downloads, the
// page's own dialogs, permissions, a dead renderer), put to one BrowserPrompts, and the run's
// decisions: certificates the user let through and the user names given per login. Nothing of
// it is stored; it ends with the session.
class PagePrompts : public QObject
{
    Q_OBJECT

public:
    // Answers the questions of the pages of `profile`, which must outlive it; the session owns
    // one for its profile.
    // The certificates the user lets through go into `accepted`, which must outlive it too.
    PagePrompts(QWebEngineProfile& profile, AcceptedCertificates& accepted);

    // Who answers from now on; null means nobody, so every question is cancelled.
    void setPrompts(std::shared_ptr<BrowserPrompts> prompts);
    [[nodiscard]] BrowserPrompts& prompts() const;

    // Hands the questions of this browser's page to the prompts.
    void attach(WebEngineBrowser& browser);

    // The page's own dialogs, from the page's overrides.
    void alert(WebEngineBrowser& browser, const QUrl& origin, const QString& text);
    bool confirm(WebEngineBrowser& browser, const QUrl& origin, const QString& text);
    bool prompt(WebEngineBrowser& browser, const QUrl& origin, const QString& text,
                const QString& value, QString* result);

private:
    void authenticate(WebEngineBrowser& browser, const QUrl& url, QAuthenticator* authenticator,
                      const QString& proxyHost);
    void certificateError(WebEngineBrowser& browser, QWebEngineCertificateError error);
    void download(QWebEngineDownloadRequest* request);
    void renderProcessEnded(WebEngineBrowser& browser, int status);

    std::shared_ptr<BrowserPrompts> prompts_;
    QList<QPointer<WebEngineBrowser>> browsers_;
    AcceptedCertificates& acceptedCertificates_;
    // The user name last given per server or proxy and realm.
    QHash<QString, QString> givenUserNames_;
};

} // namespace waytrace
