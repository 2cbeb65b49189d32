#pragma once

// How the test run reads a reply: the charset its answer declares, whether it is a redirect to
// follow, why it ended without a whole answer, and the most telling fault of its certificate.

#include "common/accepted_certificates.h"
#include "trial_run.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QSslError>

class QTextCodec;

namespace waytrace {

// A declaration in the document itself is looked for in its first bytes, as browsers do.
inline constexpr qsizetype kCharsetSniffSize = 1024;

// The charset the answer declares: that of its Content-Type header, else the document's byte
// order mark or meta declaration in `head`, else UTF-8.
QTextCodec* declaredCodec(const QByteArray& contentType, const QByteArray& head);

// A redirect status with somewhere to go.
bool isRedirect(const QNetworkReply& reply);

// Why a reply ended without a whole answer; None when it is one, HTTP error statuses included.
TrialRunFailure failureOf(QNetworkReply::NetworkError error, int status);

// The most telling of a certificate's faults: a wrong host or a date say more than who signed it.
CertificateProblem certificateProblemOf(const QList<QSslError>& errors);

} // namespace waytrace
