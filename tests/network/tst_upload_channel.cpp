#include "fixture_server.h"

#include "network/upload_channel.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace waytrace;

class TestUploadChannel : public QObject
{
    Q_OBJECT

    FixtureServer server_{QStringLiteral(FIXTURES_DIR)};

    // Posts and waits for the landing; returns it, or "" when nothing was reported.
    static QString land(UploadChannel& channel, const QString& url, const QByteArray& body = "a=1",
                        const QString& headers = {})
    {
        QSignalSpy landed(&channel, &UploadChannel::landed);
        channel.post(url, body, headers);
        if (!landed.wait(10000) || landed.size() != 1)
            return {};
        return landed.first().first().toString();
    }

private slots:
    void init() { server_.clear(); }

    void sendsExactlyWhatItIsGiven()
    {
        UploadChannel channel;
        const auto url =
            server_.url(QStringLiteral("createurlsequence.do?actionmethod=createUrlSeq"));
        const QByteArray body = "version=6.0.3&username=a%2Bb&seqinfo=<URLSequence>\r\xC3\xA9";
        const auto headers =
            QStringLiteral("Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
                           "accept-charset:UTF-8,*\r\n");
        QCOMPARE(land(channel, url, body, headers), url);

        QCOMPARE(server_.requests().size(), 1);
        const auto& sent = server_.requests().first();
        QCOMPARE(sent.method, QByteArray("POST"));
        QCOMPARE(sent.target, QByteArray("/createurlsequence.do?actionmethod=createUrlSeq"));
        QCOMPARE(sent.body, body);
        QCOMPARE(sent.headers.value("content-type"),
                 QByteArray("application/x-www-form-urlencoded; charset=UTF-8"));
        QCOMPARE(sent.headers.value("accept-charset"), QByteArray("UTF-8,*"));

        // A large sequence goes out whole, in many pieces.
        QByteArray large(5 << 20, '\0');
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = static_cast<char>('a' + i % 23);
        QCOMPARE(land(channel, url, large, headers), url);
        QCOMPARE(server_.requests().size(), 2);
        QVERIFY(server_.requests().last().body == large);
    }

    void landsWhereTheAnswerSays_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("page"); // empty: the address itself
        QTest::newRow("400") << "status/400"
                             << "http_400.htm";
        QTest::newRow("404") << "status/404"
                             << "http_404.htm";
        QTest::newRow("500") << "status/500"
                             << "http_500.htm";
        QTest::newRow("204") << "status/204"
                             << "";
    }

    void landsWhereTheAnswerSays()
    {
        QFETCH(QString, path);
        QFETCH(QString, page);
        UploadChannel channel;
        const auto url = server_.url(path);
        const auto expected =
            page.isEmpty() ? url : QStringLiteral("res://waytrace/%1#%2").arg(page, url);
        QCOMPARE(land(channel, url), expected);
    }

    void followsRedirects()
    {
        UploadChannel channel;
        QCOMPARE(land(channel, server_.url(QStringLiteral("redirect/page2.html?done=1"))),
                 server_.url(QStringLiteral("page2.html?done=1")));
        QCOMPARE(server_.requests().size(), 2);
        QCOMPARE(server_.requests().last().target, QByteArray("/page2.html?done=1"));
    }

    void redirectsStayWithinTheOrigin_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("elsewhere"); // printf pattern for the port
        for (const int status : {301, 302, 303, 307, 308})
            QTest::addRow("%d to another host", status)
                << status << QStringLiteral("http://127.0.0.2:%1/createurlsequence.do");
        QTest::newRow("302 to another name") << 302 << QStringLiteral("http://localhost:%1/x");
        QTest::newRow("307 to another port") << 307 << QStringLiteral("http://127.0.0.1:1/x");
        QTest::newRow("307 to another scheme") << 307 << QStringLiteral("https://127.0.0.1:%1/x");
    }

    void redirectsStayWithinTheOrigin()
    {
        QFETCH(int, status);
        QFETCH(QString, elsewhere);
        // The other origin listens on the same port, so only the host tells them apart.
        FixtureServer other{QStringLiteral(FIXTURES_DIR)};
        QVERIFY(other.listen(QHostAddress(QStringLiteral("127.0.0.2")), server_.port()));
        const auto location = elsewhere.contains(u'%') ? elsewhere.arg(server_.port()) : elsewhere;
        server_.setResponder(
            [&](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (!request.target.startsWith("/save"))
                    return std::nullopt;
                return "HTTP/1.1 " + QByteArray::number(status) +
                       " Moved\r\nLocation: " + location.toUtf8() + "\r\nContent-Length: 0\r\n\r\n";
            });
        UploadChannel channel;
        const auto url = server_.url(QStringLiteral("save"));
        QCOMPARE(land(channel, url, "password=secret"),
                 QStringLiteral("res://waytrace/http_%1.htm#%2").arg(status).arg(url));
        QCOMPARE(server_.requests().size(), 1);
        QVERIFY(other.requests().isEmpty());
        server_.setResponder({});
    }

    void redirectsWithinTheOriginAreFollowed()
    {
        server_.setResponder(
            [](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                const auto redirect = [](const QByteArray& status, const QByteArray& to) {
                    return "HTTP/1.1 " + status + " Moved\r\nLocation: " + to +
                           "\r\nContent-Length: 0\r\n\r\n";
                };
                if (request.target == "/a")
                    return redirect("307", "/b"); // keeps the method and the body
                if (request.target == "/b")
                    return redirect("303", "/c?x=1"); // goes on as a GET
                if (request.target == "/loop1")
                    return redirect("302", "/loop2");
                if (request.target == "/loop2")
                    return redirect("302", "loop1#again");
                if (request.target == "/self")
                    return redirect("308", "/self");
                return std::nullopt;
            });
        UploadChannel channel;
        QCOMPARE(land(channel, server_.url(QStringLiteral("a")), "k=v"),
                 server_.url(QStringLiteral("c?x=1")));
        const auto& sent = server_.requests();
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent[1].method + sent[1].target + " " + sent[1].body, QByteArray("POST/b k=v"));
        QCOMPARE(sent[2].method + sent[2].target + " " + sent[2].body, QByteArray("GET/c?x=1 "));

        // A loop ends at the first address that comes round again.
        server_.clear();
        const auto loop = server_.url(QStringLiteral("loop1"));
        QCOMPARE(land(channel, loop), QStringLiteral("res://waytrace/http_302.htm#") + loop);
        QCOMPARE(server_.requests().size(), 2);
        server_.clear();
        const auto self = server_.url(QStringLiteral("self"));
        QCOMPARE(land(channel, self), QStringLiteral("res://waytrace/http_308.htm#") + self);
        QCOMPARE(server_.requests().size(), 1);
        server_.setResponder({});
    }

    void aBrokenAnswerIsNeitherSentAgainNorTakenForOne_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("invalid status line") << QByteArray("garbage\r\n\r\n");
        QTest::newRow("closed mid headers") << QByteArray("HTTP/1.1 200 OK\r\nContent-Ty");
        QTest::newRow("closed without an answer") << QByteArray();
        QTest::newRow("closed mid body")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\ncreated");
    }

    void aBrokenAnswerIsNeitherSentAgainNorTakenForOne()
    {
        QFETCH(QByteArray, answer);
        server_.setResponder([&](const FixtureServer::Request&) { return answer; });
        UploadChannel channel;
        const auto url = server_.url(QStringLiteral("createurlsequence.do"));
        QCOMPARE(land(channel, url, "version=6.0.3&seqinfo=x"),
                 QStringLiteral("res://waytrace/dnserror.htm#") + url);
        QTest::qWait(300); // a resend would arrive now
        QCOMPARE(server_.requests().size(), 1);
        QCOMPARE(server_.requests().first().body, QByteArray("version=6.0.3&seqinfo=x"));
        server_.setResponder({});
    }

    void anErrorAnswerLandsOnItsStatusPage_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("size");
        QTest::newRow("500 with a large page") << QByteArray("500 Oops\r\n") << (8 << 20);
        QTest::newRow("401 asking for a login")
            << QByteArray("401 Login\r\nWWW-Authenticate: Basic realm=\"x\"\r\n") << 10;
        QTest::newRow("407 from a proxy")
            << QByteArray("407 Proxy\r\nProxy-Authenticate: Basic realm=\"x\"\r\n") << 10;
    }

    void anErrorAnswerLandsOnItsStatusPage()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, size);
        server_.setResponder([&](const FixtureServer::Request&) {
            return "HTTP/1.1 " + head + "Content-Length: " + QByteArray::number(size) + "\r\n\r\n" +
                   QByteArray(size, 'x');
        });
        UploadChannel channel;
        const auto url = server_.url(QStringLiteral("save"));
        QCOMPARE(land(channel, url),
                 QStringLiteral("res://waytrace/http_%1.htm#%2").arg(QString(head.left(3)), url));
        QCOMPARE(server_.requests().size(), 1);
        server_.setResponder({});
    }

    void unreachableHostsLandOnTheDnsErrorPage()
    {
        UploadChannel channel;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const auto refused = QStringLiteral("http://127.0.0.1:%1/x").arg(closed.serverPort());
        closed.close();
        QCOMPARE(land(channel, refused), QStringLiteral("res://waytrace/dnserror.htm#") + refused);

        // A server that accepts and never answers counts as unreachable once the time is up.
        channel.setTimeout(std::chrono::milliseconds(300));
        QElapsedTimer clock;
        clock.start();
        const auto silent = server_.url(QStringLiteral("hang"));
        QCOMPARE(land(channel, silent), QStringLiteral("res://waytrace/dnserror.htm#") + silent);
        QVERIFY(clock.elapsed() < 5000);
    }

    void aSlowButSteadyAnswerIsNotCutOffUntilTheOverallLimit()
    {
        // Answers 200 a byte at a time every 100 ms, after headers that promise `length` bytes.
        QTcpServer trickle;
        QVERIFY(trickle.listen(QHostAddress::LocalHost));
        int length = 12;
        int connections = 0;
        connect(&trickle, &QTcpServer::newConnection, this, [&] {
            ++connections;
            auto* socket = trickle.nextPendingConnection();
            const QByteArray head =
                "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(length) + "\r\n\r\n";
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket, head, sent = false]() mutable {
                socket->readAll();
                socket->write(sent ? QByteArray("x") : head);
                sent = true;
            });
            timer->start(100);
        });
        UploadChannel channel;
        channel.setTimeout(std::chrono::milliseconds(500));
        const auto url = QStringLiteral("http://127.0.0.1:%1/slow").arg(trickle.serverPort());
        QCOMPARE(land(channel, url), url); // over twice the silence limit in all

        length = 1000;
        channel.setTimeout(std::chrono::seconds(30));
        channel.setOverallLimit(std::chrono::milliseconds(1500));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(land(channel, url), QStringLiteral("res://waytrace/dnserror.htm#") + url);
        QVERIFY(clock.elapsed() >= 1400 && clock.elapsed() < 8000);
        QCOMPARE(connections, 2);
    }

    void aNewRequestReplacesOneUnderWay()
    {
        UploadChannel channel;
        QSignalSpy landed(&channel, &UploadChannel::landed);
        channel.post(server_.url(QStringLiteral("hang")), "a", {});
        const auto url = server_.url(QStringLiteral("page2.html"));
        channel.post(url, "b", {});
        QVERIFY(landed.wait(10000));
        QTest::qWait(100);
        QCOMPARE(landed.size(), 1);
        QCOMPARE(landed.first().first().toString(), url);
    }
};

QTEST_GUILESS_MAIN(TestUploadChannel)
#include "tst_upload_channel.moc"
