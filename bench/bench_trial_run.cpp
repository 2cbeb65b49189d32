// What a trial run costs on a large answer: one URL answering 100 MB of UTF-8 text, read and
// searched to its end for a keyword that is not there, against curl fetching the same answer
// into /dev/null in the same run. The server runs on a thread of its own and streams the answer
// from one buffer, so the program's peak memory is the trial run's.

#include "ratio_report.h"

#include "core/recorded_sequence.h"
#include "network/trial_run.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

constexpr qint64 kAnswerSize = qint64{100} << 20;

class AnswerServer
{
public:
    AnswerServer()
    {
        const std::string paragraph = "<p>Gr\xC3\xBC\xC3\x9F"
                                      "e \xE6\x97\xA5\xE6\x9C\xAC "
                                      "the quick brown fox jumps over the lazy dog.</p>\n";
        while (piece_.size() < (1u << 20))
            piece_ += paragraph;
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~AnswerServer()
    {
        stopping_ = true;
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
    }

    [[nodiscard]] QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }

private:
    void serve()
    {
        while (!stopping_) {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0)
                return;
            char head[8192];
            [[maybe_unused]] const auto got = recv(connection, head, sizeof head, 0);
            const std::string status = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8"
                                       "\r\nConnection: close\r\nContent-Length: " +
                                       std::to_string(kAnswerSize) + "\r\n\r\n";
            bool sent = send(connection, status.data(), status.size(), MSG_NOSIGNAL) > 0;
            for (qint64 left = kAnswerSize; sent && left > 0;) {
                const auto size = static_cast<std::size_t>(
                    std::min<qint64>(left, static_cast<qint64>(piece_.size())));
                const auto written = send(connection, piece_.data(), size, MSG_NOSIGNAL);
                sent = written > 0;
                left -= written;
            }
            close(connection);
        }
    }

    std::string piece_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

AnswerServer* server = nullptr;

// The process's peak resident memory so far, in MB.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const auto& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

void BM_TrialRun(benchmark::State& state)
{
    waytrace::RecordedSequence sequence;
    auto record = std::make_shared<waytrace::UrlRecord>();
    record->urlAddress = server->url().toStdU16String();
    record->requiredKeywords = u"not in the answer";
    sequence.append(record);
    for (auto _ : state) {
        waytrace::TrialRun trialRun;
        bool passed = true;
        QObject::connect(&trialRun, &waytrace::TrialRun::stepFinished,
                         [&](const waytrace::TrialRunResult& result) {
                             passed = result.failure == waytrace::TrialRunFailure::None &&
                                      result.size == kAnswerSize;
                         });
        QEventLoop loop;
        QObject::connect(&trialRun, &waytrace::TrialRun::finished, &loop, &QEventLoop::quit);
        trialRun.start(sequence);
        loop.exec();
        if (!passed)
            state.SkipWithError("the answer did not come whole");
    }
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_Curl(benchmark::State& state)
{
    for (auto _ : state) {
        QProcess curl;
        curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"),
                                            QStringLiteral("/dev/null"), server->url()});
        if (!curl.waitForFinished(60000) || curl.exitCode() != 0)
            state.SkipWithError("curl failed");
    }
}

BENCHMARK(BM_Curl)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrialRun)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AnswerServer running;
    server = &running;
    const int status = bench::runWithRatios(
        argc, argv,
        {{"trial run / curl, 100 MB answer searched to its end",
          "BM_TrialRun/iterations:5/real_time", "BM_Curl/iterations:5/real_time", 1.5}});
    server = nullptr;
    return status;
}
