#include "standin_server.h"

#include "form_decoding.h"
#include "sequence_reading.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QUrlQuery>

#include <memory>
#include <utility>

namespace waytrace::standin {

namespace {

using Status = QHttpServerResponse::StatusCode;

QHttpServerResponse page(const QString& title, Status status)
{
    const auto html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>"
                                     "%1</title></head><body><h1>%1</h1></body></html>")
                          .arg(title.toHtmlEscaped());
    return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"), html.toUtf8(),
                               status);
}

QByteArray helpPage()
{
    QFile file(QStringLiteral(":/standin/help/getting-started.html"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

StandinServer::StandinServer(StandinConfig config) : config_(std::move(config))
{
    if (!config_.logPath.isEmpty()) {
        log_.setFileName(config_.logPath);
        log_.open(QIODevice::Append | QIODevice::Text);
    }

    server_.route(QStringLiteral("/createurlsequence.do"), QHttpServerRequest::Method::Post,
                  [this](const QHttpServerRequest& request) { return createSequence(request); });
    server_.route(QStringLiteral("/sequences"), QHttpServerRequest::Method::Get,
                  [this] { return QHttpServerResponse(accepted_); });
    server_.route(
        QStringLiteral("/help/getting-started.html"), QHttpServerRequest::Method::Get, [] {
            return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"), helpPage());
        });
}

quint16 StandinServer::listen(quint16 port)
{
    auto tcp = std::make_unique<QTcpServer>();
    if (!tcp->listen(QHostAddress::LocalHost, port))
        return 0;
    // The listening socket lives as long as the server that answers on it.
    tcp->setParent(&server_);
    auto* socket = tcp.release();
    server_.bind(socket);
    return socket->serverPort();
}

QHttpServerResponse StandinServer::createSequence(const QHttpServerRequest& request)
{
    if (QUrlQuery(request.url()).queryItemValue(QStringLiteral("actionmethod")) !=
        QLatin1String("createUrlSeq"))
        return page(QStringLiteral("Unknown action"), Status::NotFound);

    QJsonObject fields;
    for (const auto& [name, value] : decodeForm(request.body()))
        fields.insert(name, value);
    const auto field = [&fields](const char* name) {
        return fields.value(QLatin1String(name)).toString();
    };

    if (field("version") != config_.version)
        return page(QStringLiteral("Unsupported version"), Status::BadRequest);
    if (field("username") != config_.user || field("password") != config_.password)
        return page(QStringLiteral("Authentication failed"), Status::NotFound);
    if (config_.limit && accepted_.size() >= *config_.limit)
        return page(QStringLiteral("Monitor limit exceeded"), Status::NotFound);

    QString error;
    const auto urls = readSequenceDocument(field("seqinfo"), error);
    if (!urls)
        return QHttpServerResponse(QByteArrayLiteral("text/plain; charset=utf-8"),
                                   QStringLiteral("Malformed sequence: %1").arg(error).toUtf8(),
                                   Status::InternalServerError);

    const QJsonObject sequence{{QStringLiteral("fields"), fields}, {QStringLiteral("urls"), *urls}};
    accepted_.append(sequence);
    if (log_.isOpen()) {
        log_.write(QJsonDocument(sequence).toJson(QJsonDocument::Compact) + '\n');
        log_.flush();
    }
    return page(QStringLiteral("URL sequence %1 created").arg(field("transactionname")),
                Status::Ok);
}

} // namespace waytrace::standin
