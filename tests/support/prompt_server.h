#pragma once

// A site that asks things of the browser, on 127.0.0.1, over HTTP or (with a certificate the test
// makes) HTTPS. It keeps every request it decoded:
//   /protected  401 with a Basic challenge unless the request carries alice:secret
//   /download   an attachment, report.csv
//   anything    200 with a small page titled "ok"
// As a proxy (a request for a full address) it wants bob:proxy first, or answers 407.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>

inline constexpr char kGoodAuthorization[] = "Basic YWxpY2U6c2VjcmV0";  // alice:secret
inline constexpr char kGoodProxyAuthorization[] = "Basic Ym9iOnByb3h5"; // bob:proxy
inline constexpr char kDownloadContent[] = "name,count\r\nbolts,12\r\n";

class PromptServer
{
public:
    struct Request
    {
        QByteArray target;
        QByteArray authorization; // empty when the request had none
        QByteArray proxyAuthorization;
    };

    // `https`: serve TLS with a self-signed certificate for 127.0.0.1 made now.
    explicit PromptServer(bool https = false)
    {
        if (https) {
            auto* server = new QSslServer();
            server->setSslConfiguration(selfSigned());
            server_.reset(server);
        } else {
            server_ = std::make_unique<QTcpServer>();
        }
        QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, [this] {
            while (auto* socket = server_->nextPendingConnection())
                QObject::connect(socket, &QIODevice::readyRead, [this, socket] { read(socket); });
        });
        server_->listen(QHostAddress::LocalHost);
        base_ = QStringLiteral("%1://127.0.0.1:%2")
                    .arg(https ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(server_->serverPort());
    }

    [[nodiscard]] QString url(const QString& path) const { return base_ + path; }
    [[nodiscard]] const QList<Request>& requests() const { return requests_; }
    [[nodiscard]] QList<Request> requestsTo(const QByteArray& target) const
    {
        QList<Request> found;
        for (const auto& request : requests_)
            if (request.target == target)
                found.append(request);
        return found;
    }
    [[nodiscard]] QByteArray certificateFingerprint() const { return fingerprint_; }

private:
    QSslConfiguration selfSigned()
    {
        const QString key = folder_.filePath(QStringLiteral("key.pem"));
        const QString cert = folder_.filePath(QStringLiteral("cert.pem"));
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                       "/CN=127.0.0.1/O=Waytrace Test", "-addext", "subjectAltName=IP:127.0.0.1",
                       "-keyout", key, "-out", cert});
        openssl.waitForFinished(30000);
        QFile keyFile(key);
        QFile certFile(cert);
        keyFile.open(QIODevice::ReadOnly);
        certFile.open(QIODevice::ReadOnly);
        const QSslCertificate certificate(certFile.readAll());
        if (certificate.isNull())
            qFatal("openssl made no certificate for the HTTPS fixture");
        fingerprint_ = certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper();
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(certificate);
        configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        return configuration;
    }

    void read(QTcpSocket* socket)
    {
        auto& buffer = buffers_[socket];
        buffer += socket->readAll();
        qsizetype end = 0;
        while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
            const auto head = buffer.left(end);
            buffer.remove(0, end + 4);
            Request request;
            const auto lines = head.split('\n');
            request.target = lines.value(0).split(' ').value(1);
            for (const auto& line : lines)
                if (line.toLower().startsWith("authorization:"))
                    request.authorization = line.mid(14).trimmed();
                else if (line.toLower().startsWith("proxy-authorization:"))
                    request.proxyAuthorization = line.mid(20).trimmed();
            requests_.append(request);
            socket->write(answer(request));
        }
    }

    static QByteArray answer(const Request& request)
    {
        QByteArray status = "200 OK";
        QByteArray headers = "Content-Type: text/html\r\n";
        QByteArray body = "<html><head><title>ok</title></head><body>page</body></html>";
        if (request.target.startsWith("http://") &&
            request.proxyAuthorization != kGoodProxyAuthorization) {
            status = "407 Proxy Authentication Required";
            headers += "Proxy-Authenticate: Basic realm=\"Gateway\"\r\n";
            body = "<html><head><title>proxy</title></head><body>no way</body></html>";
        } else if (request.target == "/protected" && request.authorization != kGoodAuthorization) {
            status = "401 Unauthorized";
            headers += "WWW-Authenticate: Basic realm=\"Staff area\"\r\n";
            body = "<html><head><title>refused</title></head><body>no entry</body></html>";
        } else if (request.target == "/download") {
            headers = "Content-Type: application/octet-stream\r\n"
                      "Content-Disposition: attachment; filename=\"report.csv\"\r\n";
            body = kDownloadContent;
        }
        return "HTTP/1.1 " + status + "\r\n" + headers +
               "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }

    QTemporaryDir folder_;
    std::unique_ptr<QTcpServer> server_;
    QString base_;
    QByteArray fingerprint_;
    QList<Request> requests_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};
