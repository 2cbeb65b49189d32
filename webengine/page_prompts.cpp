#include "page_prompts.h"

#include "webengine_browser.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineProfile>
#include <QWidget>

namespace waytrace {

namespace {

QWidget* windowOf(const WebEngineBrowser& browser)
{
    auto* view = browser.widget();
    return view ? view->window() : nullptr;
}

CertificateProblem problemOf(const QWebEngineCertificateError& error)
{
    switch (error.type()) {
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
        return CertificateProblem::WrongHost;
    case QWebEngineCertificateError::CertificateDateInvalid:
        return CertificateProblem::Expired;
    case QWebEngineCertificateError::CertificateAuthorityInvalid: {
        const auto chain = error.certificateChain();
        return chain.size() == 1 && chain.first().isSelfSigned()
                   ? CertificateProblem::SelfSigned
                   : CertificateProblem::UnknownAuthority;
    }
    default:
        return CertificateProblem::Other;
    }
}

// Who a certificate names: its common name, then the organization, its unit and the country.
QString nameOf(const QSslCertificate& certificate, bool issuer)
{
    QStringList parts;
    for (const auto field : {QSslCertificate::CommonName, QSslCertificate::Organization,
                             QSslCertificate::OrganizationalUnitName, QSslCertificate::CountryName})
        parts += issuer ? certificate.issuerInfo(field) : certificate.subjectInfo(field);
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

QString fingerprintOf(const QSslCertificate& certificate)
{
    return fingerprintText(certificate.digest(QCryptographicHash::Sha256));
}

} // namespace

PagePrompts::PagePrompts(QWebEngineProfile& profile, AcceptedCertificates& accepted)
    : prompts_(std::make_shared<CancellingPrompts>()), acceptedCertificates_(accepted)
{
    connect(&profile, &QWebEngineProfile::downloadRequested, this, &PagePrompts::download);
}

void PagePrompts::setPrompts(std::shared_ptr<BrowserPrompts> prompts)
{
    prompts_ = prompts ? std::move(prompts) : std::make_shared<CancellingPrompts>();
}

BrowserPrompts& PagePrompts::prompts() const
{
    return *prompts_;
}

void PagePrompts::attach(WebEngineBrowser& browser)
{
    browsers_.removeAll(nullptr);
    browsers_.append(&browser);
    auto* page = browser.page();
    connect(page, &QWebEnginePage::authenticationRequired, this,
            [this, &browser](const QUrl& url, QAuthenticator* authenticator) {
                authenticate(browser, url, authenticator, {});
            });
    connect(
        page, &QWebEnginePage::proxyAuthenticationRequired, this,
        [this, &browser](const QUrl& url, QAuthenticator* authenticator, const QString& proxyHost) {
            authenticate(browser, url, authenticator, proxyHost);
        });
    connect(page, &QWebEnginePage::certificateError, this,
            [this, &browser](const QWebEngineCertificateError& error) {
                certificateError(browser, error);
            });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this, &browser](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                renderProcessEnded(browser, status);
            });
    // Location, camera, notifications and the like: a recording has no use for them, and a
    // question about them would only stand in the way.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(page, &QWebEnginePage::permissionRequested, page,
            [](const QWebEnginePermission& permission) { permission.deny(); });
#else
    connect(page, &QWebEnginePage::featurePermissionRequested, page,
            [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
#endif
}

void PagePrompts::authenticate(WebEngineBrowser& browser, const QUrl& url,
                               QAuthenticator* authenticator, const QString& proxyHost)
{
    LoginQuestion question;
    question.url = url;
    question.proxy = !proxyHost.isEmpty();
    question.host = question.proxy ? proxyHost : url.host();
    question.realm = authenticator->realm();
    question.secure = !question.proxy && url.scheme() == QLatin1String("https");
    const QString key = (question.proxy ? QStringLiteral("proxy ") : QString()) + question.host +
                        u' ' + question.realm;
    // A second question for the same login means the server refused the last answer.
    question.retry = givenUserNames_.contains(key);
    question.userName = givenUserNames_.value(key);

    const auto answer = prompts_->login(windowOf(browser), question);
    if (!answer) {
        // A null authenticator cancels; an untouched one would be sent as empty credentials,
        // again and again.
        *authenticator = QAuthenticator();
        return;
    }
    givenUserNames_.insert(key, answer->userName);
    authenticator->setUser(answer->userName);
    authenticator->setPassword(answer->password);
    if (answer->keepForSequence && !question.proxy)
        emit browser.credentialsEntered(url.toString(QUrl::FullyEncoded), answer->userName,
                                        answer->password);
}

void PagePrompts::certificateError(WebEngineBrowser& browser, QWebEngineCertificateError error)
{
    const auto chain = error.certificateChain();
    const QSslCertificate leaf = chain.isEmpty() ? QSslCertificate() : chain.first();
    const QString host = error.url().host();
    if (acceptedCertificates_.isAccepted(host, fingerprintOf(leaf))) {
        error.acceptCertificate();
        return;
    }
    if (!error.isOverridable() || leaf.isNull()) {
        error.rejectCertificate();
        return;
    }
    error.defer();
    const CertificateQuestion question{
        host,
        problemOf(error),
        nameOf(leaf, false),
        nameOf(leaf, true),
        leaf.effectiveDate(),
        leaf.expiryDate(),
        fingerprintOf(leaf),
    };
    if (prompts_->continuePastCertificate(windowOf(browser), question)) {
        acceptedCertificates_.accept(host, question.fingerprint);
        error.acceptCertificate();
    } else {
        error.rejectCertificate();
    }
}

void PagePrompts::download(QWebEngineDownloadRequest* request)
{
    QWidget* window = nullptr;
    browsers_.removeAll(nullptr);
    for (const auto& browser : browsers_)
        if (browser->page() == request->page())
            window = windowOf(*browser);
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    const QString path =
        prompts_->downloadPath(window, folder.filePath(request->downloadFileName()));
    if (path.isEmpty()) {
        request->cancel();
        return;
    }
    const QFileInfo target(path);
    request->setDownloadDirectory(target.absolutePath());
    request->setDownloadFileName(target.fileName());
    request->accept();
}

void PagePrompts::renderProcessEnded(WebEngineBrowser& browser, int status)
{
    if (status == QWebEnginePage::NormalTerminationStatus || !browser.widget())
        return;
    prompts_->pageDied(browser.widget(), [target = QPointer<WebEngineBrowser>(&browser)] {
        if (target)
            target->page()->triggerAction(QWebEnginePage::Reload);
    });
}

void PagePrompts::alert(WebEngineBrowser& browser, const QUrl& origin, const QString& text)
{
    prompts_->alert(windowOf(browser), origin.host(), text);
}

bool PagePrompts::confirm(WebEngineBrowser& browser, const QUrl& origin, const QString& text)
{
    // The engine asks before a page is left through the confirm dialog, with this text.
    static const QString leaving = QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
    if (text == leaving)
        return prompts_->leavePage(windowOf(browser), origin.host());
    return prompts_->confirm(windowOf(browser), origin.host(), text);
}

bool PagePrompts::prompt(WebEngineBrowser& browser, const QUrl& origin, const QString& text,
                         const QString& value, QString* result)
{
    const auto answer = prompts_->prompt(windowOf(browser), origin.host(), text, value);
    if (answer && result)
        *result = *answer;
    return answer.has_value();
}

} // namespace waytrace
