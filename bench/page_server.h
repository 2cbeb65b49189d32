#pragma once

// Pages on 127.0.0.1 for the engine benchmarks, answered from memory: `answer` gives the page for
// a request's head. Every answer closes its connection and may not be cached.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <utility>

namespace bench {

class PageServer : public QObject
{
public:
    explicit PageServer(std::function<QByteArray(const QByteArray& head)> answer)
        : answer_(std::move(answer))
    {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (auto* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    const auto head = socket->readAll();
                    if (!head.contains("\r\n\r\n"))
                        return;
                    const auto page = answer_(head);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                  "Cache-Control: no-store\r\nContent-Length: " +
                                  QByteArray::number(page.size()) +
                                  "\r\nConnection: close\r\n\r\n" + page);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        server_.listen(QHostAddress::LocalHost);
    }

    // `path` with a query that makes every address new, so nothing comes from a cache.
    [[nodiscard]] QString url(const QString& path, int n) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2?n=%3")
            .arg(server_.serverPort())
            .arg(path)
            .arg(n);
    }

private:
    std::function<QByteArray(const QByteArray& head)> answer_;
    QTcpServer server_;
};

} // namespace bench
