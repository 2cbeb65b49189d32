#include "fixture_server.h"

#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

FixtureServer::FixtureServer(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder))
{
    connect(&server_, &QTcpServer::newConnection, this, &FixtureServer::accept);
    server_.listen(QHostAddress::LocalHost);
}

bool FixtureServer::listen(const QHostAddress& address, quint16 port)
{
    server_.close();
    return server_.listen(address, port);
}

QString FixtureServer::url(const QString& path) const
{
    return QStringLiteral("http://%1:%2/%3")
        .arg(server_.serverAddress().toString())
        .arg(port())
        .arg(path);
}

QList<FixtureServer::Request> FixtureServer::requestsTo(const QByteArray& prefix) const
{
    QList<Request> found;
    for (const auto& request : requests_)
        if (request.target.startsWith(prefix))
            found.append(request);
    return found;
}

void FixtureServer::accept()
{
    while (auto* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            buffers_.remove(socket);
            socket->deleteLater();
        });
    }
}

void FixtureServer::readFrom(QTcpSocket* socket)
{
    auto& buffer = buffers_[socket];
    buffer += socket->readAll();
    for (;;) {
        const auto headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const auto lines = buffer.left(headEnd).split('\n');
        Request request;
        const auto startLine = lines.first().trimmed().split(' ');
        if (startLine.size() < 2)
            return;
        request.method = startLine.at(0);
        request.target = startLine.at(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const auto colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                       lines[i].mid(colon + 1).trimmed());
        }
        const auto length = request.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);
        requests_.append(request);
        answer(socket, request);
    }
}

void FixtureServer::answer(QTcpSocket* socket, const Request& request)
{
    if (responder_) {
        if (const auto bytes = responder_(request)) {
            socket->write(*bytes);
            socket->disconnectFromHost();
            return;
        }
    }
    const auto path = request.target.split('?').first();
    if (path == "/hang")
        return;

    QByteArray status = "200 OK";
    QByteArray extra;
    QByteArray type = "text/html; charset=utf-8";
    QByteArray body = "<!doctype html><title>done</title><p>done</p>";
    QByteArray filePath = path;
    if (path.startsWith("/cs/")) {
        const auto end = path.indexOf('/', 4);
        type = "text/html; charset=" + path.mid(4, end - 4);
        filePath = path.mid(end);
    }
    const QFileInfo file(folder_ + QString::fromUtf8(filePath));
    if (path.startsWith("/status/")) {
        status = path.mid(8) + " Status";
    } else if (path.startsWith("/redirect/")) {
        status = "302 Found";
        extra = "Location: " + request.target.mid(9) + "\r\n";
    } else if (path.startsWith("/r/")) {
        status = path.mid(3, 3) + " Redirect";
        extra = "Location: " + request.target.mid(6) + "\r\n";
    } else if (request.method == "GET" && file.isFile()) {
        QFile content(file.filePath());
        if (content.open(QIODevice::ReadOnly))
            body = content.readAll();
        if (file.suffix() == QLatin1String("js"))
            type = "text/javascript";
    }
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                  "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extra +
                  "Cache-Control: no-store\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
