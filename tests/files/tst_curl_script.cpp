#include "fixture_server.h"

#include "core/recording_rule.h"
#include "files/curl_script.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace waytrace;

class TestCurlScript : public QObject
{
    Q_OBJECT

private slots:
    // Run by a shell, the script sends each step as the test run would: the body byte for
    // byte, the header lines but those the network writes itself, the login, the cookies of
    // earlier steps; a step whose header lines cannot be sent is not.
    void theScriptSendsEachStepAsRecorded()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.setResponder([](const FixtureServer::Request& request) -> std::optional<QByteArray> {
            if (request.target == "/login")
                return QByteArray("HTTP/1.1 302 Found\r\nLocation: /home\r\nSet-Cookie: s=1\r\n"
                                  "Content-Length: 0\r\n\r\n");
            return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
        });
        const std::string sent = "user=ann&note=it's 100% \\ \x01\xff";
        const std::string body = sent + std::string(1, '\0') + "end";
        std::vector<std::uint8_t> posted(body.begin(), body.end());
        posted.push_back(0); // the recording rule leaves out the terminating byte

        RecordedSequence sequence;
        const auto add = [&](const QString& url) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = url.toStdU16String();
            sequence.append(record);
            return record;
        };
        add(server.url("start?q=%25'x"));
        auto login = add(server.url("login"));
        login->method = HttpMethod::Post;
        login->postBody = postDataText(posted);
        login->headers = u"Content-Type: text/plain; charset=Shift_JIS\r\nHost: elsewhere\r\n"
                         u"X-Note: it's\r\n";
        login->userName = u"ann";
        login->password = u"p'w:d $x";
        login->displayName = u"Sign in\nnow";
        add(server.url("refused"))->headers = u"X-A: a\nb\r\n";

        QTemporaryDir folder;
        const QString path = folder.filePath("sequence.sh");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(curlScript(sequence, true));
        file.close();
        QProcess shell;
        shell.start("sh", {path});
        QVERIFY(shell.waitForStarted());
        // The server answers on this thread: the events go on while the script runs.
        QTRY_VERIFY_WITH_TIMEOUT(shell.state() == QProcess::NotRunning, 20000);
        QCOMPARE(shell.exitCode(), 0);
        QVERIFY(shell.readAllStandardError().contains("step 3 not sent"));
        QCOMPARE(shell.readAllStandardOutput().count("200 "), 2);

        const auto requests = server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[0].target, QByteArray("/start?q=%25'x"));
        QCOMPARE(requests[1].method, QByteArray("POST"));
        QCOMPARE(requests[1].body, QByteArray::fromStdString(body));
        QCOMPARE(requests[1].headers.value("content-type"),
                 QByteArray("text/plain; charset=Shift_JIS"));
        QCOMPARE(requests[1].headers.value("x-note"), QByteArray("it's"));
        QVERIFY(requests[1].headers.value("host").startsWith("127.0.0.1"));
        QCOMPARE(requests[1].headers.value("authorization"),
                 "Basic " + QByteArray("ann:p'w:d $x").toBase64());
        QCOMPARE(requests[2].target, QByteArray("/home"));
        QCOMPARE(requests[2].method, QByteArray("GET"));
        QCOMPARE(requests[2].headers.value("cookie"), QByteArray("s=1"));

        const QByteArray withoutPasswords = curlScript(sequence, false);
        QVERIFY(withoutPasswords.contains("--user 'ann' "));
        QVERIFY(!withoutPasswords.contains("$x"));
    }
};

QTEST_MAIN(TestCurlScript)
#include "tst_curl_script.moc"
