#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP server on 127.0.0.1 for the engine tests. It serves the files of one folder and
// records every request exactly as it arrived. Other paths:
//   /status/<code>    answers with that status
//   /redirect/<path>  302 to /<path>
//   /r/<code>/<path>  that redirect status (301, 302, 303, 307, 308) to /<path>
//   /cs/<charset>/<file>  the file, declared in that charset
//   /hang             accepts and never answers
//   anything else     200 with a small page
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

    explicit FixtureServer(QString folder, QObject* parent = nullptr);

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
    QHash<QTcpSocket*, QByteArray> buffers_;
};
