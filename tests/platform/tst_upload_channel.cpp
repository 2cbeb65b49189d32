#include "fixture_server.h"

#include "platform/upload_channel.h"

#include <QElapsedTimer>
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
        QSignalSpy navigated(&channel, &Browser::navigateComplete2);
        QSignalSpy completed(&channel, &Browser::documentComplete);
        channel.navigate(url, body, headers);
        if (!navigated.wait(10000) || navigated.size() != 1)
            return {};
        const auto landing = navigated.first().first().toString();
        if (completed.size() != 1 || completed.first().first().toString() != landing ||
            channel.documentUrl() != landing)
            return QStringLiteral("events disagree");
        return landing;
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

    void aSlowButSteadyAnswerIsNotCutOff()
    {
        // Answers 200 a byte at a time, taking three times the allowed silence in all.
        QTcpServer trickle;
        QVERIFY(trickle.listen(QHostAddress::LocalHost));
        connect(&trickle, &QTcpServer::newConnection, this, [&trickle] {
            auto* socket = trickle.nextPendingConnection();
            const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\ncreate";
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket,
                    [socket, answer, sent = qsizetype(0)]() mutable {
                        if (sent == 0)
                            socket->readAll();
                        const auto piece = answer.mid(sent, sent == 0 ? 40 : 1); // headers, then bytes
                        socket->write(piece);
                        sent += piece.size();
                    });
            timer->start(150);
        });
        UploadChannel channel;
        channel.setTimeout(std::chrono::milliseconds(300));
        const auto url = QStringLiteral("http://127.0.0.1:%1/slow").arg(trickle.serverPort());
        QCOMPARE(land(channel, url), url);
    }

    void aNewRequestReplacesOneUnderWay()
    {
        UploadChannel channel;
        QSignalSpy navigated(&channel, &Browser::navigateComplete2);
        channel.navigate(server_.url(QStringLiteral("hang")), "a", {});
        const auto url = server_.url(QStringLiteral("page2.html"));
        channel.navigate(url);
        QVERIFY(navigated.wait(10000));
        QTest::qWait(100);
        QCOMPARE(navigated.size(), 1);
        QCOMPARE(navigated.first().first().toString(), url);
    }
};

QTEST_GUILESS_MAIN(TestUploadChannel)
#include "tst_upload_channel.moc"
