// What a trial run costs: one URL answering 100 MB of UTF-8 text, read and searched to its end
// for a keyword that is not there, and 50 pages of 50 KB each (forms, hidden tokens, links) read,
// compared with the page seen and their offered values kept, each against curl fetching the same
// into /dev/null in the same run. The server runs on a thread of its own and streams the answer
// from one buffer, so the program's peak memory is the trial run's.

#include "ratio_report.h"

#include "core/recorded_sequence.h"
#include "core/seen_page.h"
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
#include <string_view>
#include <thread>

namespace {

constexpr qint64 kAnswerSize = qint64{100} << 20;
constexpr int kPages = 50;

// A page of an ordinary web application, about 50 KB: a form with a token, links, paragraphs.
std::string smallPage()
{
    std::string page = "<!doctype html><html><head><meta charset=utf-8><title>Orders</title>"
                       "<style>p{margin:0}</style><script>var x = 1;</script></head><body>"
                       "<form action=/save method=post><input type=hidden name=csrf_token "
                       "value=8f14e45fceea167a5a36dedd4bea2543><input name=q></form>";
    for (int i = 0; page.size() < 50 * 1024; ++i)
        page += "<p>Order " + std::to_string(i) +
                " shipped to <a href=/orders?id=" + std::to_string(i) +
                "&amp;view=full>the customer</a> on time.</p>\n";
    return page + "</body></html>";
}

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
    [[nodiscard]] QString pageUrl(int n) const { return url() + QStringLiteral("page%1").arg(n); }
    [[nodiscard]] const std::string& page() const { return page_; }

private:
    void serve()
    {
        while (!stopping_) {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0)
                return;
            char head[8192];
            const auto got = recv(connection, head, sizeof head, 0);
            const bool small =
                got > 9 &&
                std::string_view(head, static_cast<std::size_t>(got)).substr(4, 5) == "/page";
            const std::string status = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8"
                                       "\r\nConnection: close\r\nContent-Length: " +
                                       std::to_string(small ? page_.size() : kAnswerSize) +
                                       "\r\n\r\n";
            if (small) {
                const std::string answer = status + page_;
                send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
                close(connection);
                continue;
            }
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
    std::string page_ = smallPage();
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

// The 50 pages as recorded steps, each with the page the user saw, run as the panel runs them.
void BM_TrialRunPages(benchmark::State& state)
{
    waytrace::RecordedSequence sequence;
    const auto seen = QString::fromStdString(server->page()).toStdU16String();
    for (int n = 1; n <= kPages; ++n) {
        auto record = std::make_shared<waytrace::UrlRecord>();
        record->urlAddress = server->pageUrl(n).toStdU16String();
        record->requiredKeywords = u"not in the answer";
        record->seen = waytrace::seenPageOf(200, record->urlAddress, seen);
        sequence.append(record);
    }
    for (auto _ : state) {
        waytrace::TrialRun trialRun;
        int whole = 0;
        QObject::connect(&trialRun, &waytrace::TrialRun::stepFinished,
                         [&](const waytrace::TrialRunResult& result) {
                             whole += result.failure == waytrace::TrialRunFailure::None &&
                                      result.differences.empty();
                         });
        QEventLoop loop;
        QObject::connect(&trialRun, &waytrace::TrialRun::finished, &loop, &QEventLoop::quit);
        trialRun.start(sequence);
        loop.exec();
        if (whole != kPages)
            state.SkipWithError("a page did not come whole, or differed");
    }
}

// One curl process fetching the same 50 addresses in turn.
void BM_CurlPages(benchmark::State& state)
{
    QStringList arguments{QStringLiteral("-s")};
    for (int n = 1; n <= kPages; ++n)
        arguments << QStringLiteral("-o") << QStringLiteral("/dev/null") << server->pageUrl(n);
    for (auto _ : state) {
        QProcess curl;
        curl.start(QStringLiteral("curl"), arguments);
        if (!curl.waitForFinished(60000) || curl.exitCode() != 0)
            state.SkipWithError("curl failed");
    }
}

BENCHMARK(BM_Curl)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrialRun)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlPages)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrialRunPages)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AnswerServer running;
    server = &running;
    const int status = bench::runWithRatios(
        argc, argv,
        {{"trial run / curl, 100 MB answer searched to its end",
          "BM_TrialRun/iterations:5/real_time", "BM_Curl/iterations:5/real_time", 1.5},
         {"trial run / curl, 50 pages of 50 KB read and compared",
          "BM_TrialRunPages/iterations:10/real_time", "BM_CurlPages/iterations:10/real_time",
          1.5}});
    server = nullptr;
    return status;
}
