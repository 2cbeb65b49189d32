#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

namespace waytrace {

// Why a site's certificate was not trusted, as far as a person needs to know.
enum class CertificateProblem
{
    SelfSigned,
    Expired, // or not valid yet
    WrongHost,
    UnknownAuthority,
    Other
};

// A certificate's SHA-256 fingerprint as people compare them: colon-separated upper-case hex.
QString fingerprintText(const QByteArray& sha256);

// The certificates the user let through in the browser, each for its host. The browsers'
// session owns them and hands them to the test run, which accepts exactly these too. Never
// written anywhere.
class AcceptedCertificates
{
public:
    void accept(const QString& host, const QString& fingerprint);
    [[nodiscard]] bool isAccepted(const QString& host, const QString& fingerprint) const;

private:
    QSet<QString> keys_; // host, a space, fingerprint
};

} // namespace waytrace
