#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <optional>

class QTcpSocket;

// A small HTTP server on 127.0.0.1 for the engine tests. It serves the files of one folder and
// records every request exactly as it arrived. Other paths:
//   /status/<code>    answers with that status
//   /redirect/<path>  302 to /<path>
//   /r/<code>/<path>  that redirect status (301, 302, 303, 307, 308) to /<path>
//   /cs/<charset>/<file>  the file, declared in that charset
//   /hang             accepts and never answers
//   anything else     200 with a small page
// A responder set by a test answers first: the bytes it returns go out as they are, and the
// connection is closed.
class FixtureServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray target;                     // path and query as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    using Responder = std::function<std::optional<QByteArray>(const Request&)>;

    explicit FixtureServer(QString folder, QObject* parent = nullptr);

    // Listens on another loopback address or a given port instead.
    bool listen(const QHostAddress& address, quint16 port = 0);
    void setResponder(Responder responder) { responder_ = std::move(responder); }

    [[nodiscard]] quint16 port() const { return server_.serverPort(); }
    [[nodiscard]] QString url(const QString& path) const;
    [[nodiscard]] const QList<Request>& requests() const { return requests_; }
    // The requests whose target starts with `prefix`.
    [[nodiscard]] QList<Request> requestsTo(const QByteArray& prefix) const;
    void clear() { requests_.clear(); }

private:
    void accept();
    void readFrom(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Request& request);

    QString folder_;
    QTcpServer server_;
    QList<Request> requests_;
    Responder responder_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};
