#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs torvane-standin on a free port of 127.0.0.1 for the length of a test.
class StandinProcess
{
public:
    explicit StandinProcess(const QStringList& arguments = {})
    {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(QStringLiteral(TORVANE_STANDIN), QStringList{"--port", "0"} + arguments);
        if (!process_.waitForReadyRead(20000))
            return;
        const auto line = process_.readLine().trimmed();
        const auto colon = line.lastIndexOf(':');
        port_ = line.mid(colon + 1).chopped(1).toUShort(); // ".../127.0.0.1:PORT/"
    }

    ~StandinProcess()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }

    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    [[nodiscard]] quint16 port() const { return port_; }
    [[nodiscard]] QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

private:
    QProcess process_;
    quint16 port_ = 0;
};
