#include "accepted_certificates.h"

namespace waytrace {

QString fingerprintText(const QByteArray& sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

void AcceptedCertificates::accept(const QString& host, const QString& fingerprint)
{
    keys_.insert(host + u' ' + fingerprint);
}

bool AcceptedCertificates::isAccepted(const QString& host, const QString& fingerprint) const
{
    return keys_.contains(host + u' ' + fingerprint);
}

} // namespace waytrace
