#pragma once

#include <QFile>
#include <QHttpServer>
#include <QJsonArray>
#include <QString>

#include <optional>

namespace waytrace::standin {

struct StandinConfig
{
    QString version = QStringLiteral("6.0.3");
    QString user = QStringLiteral("admin");
    QString password = QStringLiteral("admin");
    std::optional<int> limit; // accepted sequences at most; none: unlimited
    QString logPath;          // one JSON line per accepted sequence; empty: none
};

// A small server that answers sequence uploads the way a monitoring server does: 400 for a
// version it does not take, 404 for a failed login or a full monitor list, 500 for a document
// it cannot parse, and 200 at the request address itself for a created sequence.
class StandinServer
{
public:
    explicit StandinServer(StandinConfig config);

    // Binds 127.0.0.1 only. Port 0 picks a free one; returns the port, or 0 on failure.
    quint16 listen(quint16 port);

    [[nodiscard]] const QJsonArray& accepted() const { return accepted_; }

private:
    QHttpServerResponse createSequence(const QHttpServerRequest& request);

    StandinConfig config_;
    QHttpServer server_;
    QJsonArray accepted_;
    QFile log_;
};

} // namespace waytrace::standin
