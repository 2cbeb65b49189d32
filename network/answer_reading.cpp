#include "answer_reading.h"

#include <QNetworkRequest>
#include <QTextCodec>

#include <algorithm>

namespace waytrace {

QTextCodec* declaredCodec(const QByteArray& contentType, const QByteArray& head)
{
    const auto at = contentType.toLower().indexOf("charset=");
    if (at >= 0) {
        QByteArray name = contentType.mid(at + 8);
        if (const auto end = name.indexOf(';'); end >= 0)
            name.truncate(end);
        name = name.trimmed();
        if (name.startsWith('"') && name.endsWith('"') && name.size() >= 2)
            name = name.mid(1, name.size() - 2);
        if (auto* codec = QTextCodec::codecForName(name))
            return codec;
    }
    return QTextCodec::codecForHtml(head, QTextCodec::codecForName("UTF-8"));
}

bool isRedirect(const QNetworkReply& reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) &&
           reply.hasRawHeader("Location");
}

TrialRunFailure failureOf(QNetworkReply::NetworkError error, int status)
{
    switch (error) {
    case QNetworkReply::NoError:
        return TrialRunFailure::None;
    case QNetworkReply::ConnectionRefusedError:
        return TrialRunFailure::Refused;
    case QNetworkReply::HostNotFoundError:
        return TrialRunFailure::HostNotFound;
    // The transfer timeout ends a silent answer as cancelled; the run's own cancel never
    // reaches here.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return TrialRunFailure::Silent;
    case QNetworkReply::SslHandshakeFailedError:
        return TrialRunFailure::Secure;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ContentReSendError:
        return TrialRunFailure::BrokenOff;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return TrialRunFailure::Redirects;
    default:
        break;
    }
    // Content and server errors of an error status only name that status; with any other status
    // the answer itself could not be read (its compression, say).
    const bool ofContent =
        (error >= QNetworkReply::ContentAccessDenied &&
         error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    if (ofContent)
        return status >= 400 ? TrialRunFailure::None : TrialRunFailure::Unreadable;
    return TrialRunFailure::Other;
}

CertificateProblem certificateProblemOf(const QList<QSslError>& errors)
{
    const auto has = [&](std::initializer_list<QSslError::SslError> kinds) {
        return std::any_of(errors.cbegin(), errors.cend(), [&](const QSslError& error) {
            return std::find(kinds.begin(), kinds.end(), error.error()) != kinds.end();
        });
    };
    if (has({QSslError::HostNameMismatch}))
        return CertificateProblem::WrongHost;
    if (has({QSslError::CertificateExpired, QSslError::CertificateNotYetValid}))
        return CertificateProblem::Expired;
    if (has({QSslError::SelfSignedCertificate, QSslError::SelfSignedCertificateInChain}))
        return CertificateProblem::SelfSigned;
    if (has({QSslError::UnableToGetLocalIssuerCertificate, QSslError::UnableToGetIssuerCertificate,
             QSslError::UnableToVerifyFirstCertificate, QSslError::CertificateUntrusted}))
        return CertificateProblem::UnknownAuthority;
    return CertificateProblem::Other;
}

} // namespace waytrace
