#include "../support/standin_process.h"

#include "core/recording_rule.h"
#include "output/sequence_document.h"
#include "output/upload_request.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace waytrace;

namespace {

constexpr ProgramVersion kVersion{6, 0, 3};

struct Answer
{
    int status = 0;
    QByteArray body;
};

Answer send(QNetworkAccessManager& network, QNetworkRequest request, const QByteArray* body)
{
    QNetworkReply* reply = body ? network.post(request, *body) : network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                  reply->readAll()};
    reply->deleteLater();
    return answer;
}

// Posts the request exactly as composed: address, the two header lines, the body bytes.
Answer upload(QNetworkAccessManager& network, const UploadRequest& composed)
{
    QNetworkRequest request(QUrl(QString::fromStdU16String(composed.address)));
    for (const auto& line :
         QString::fromStdU16String(composed.headers).split("\r\n", Qt::SkipEmptyParts)) {
        const auto colon = line.indexOf(':');
        request.setRawHeader(line.left(colon).toLatin1(), line.mid(colon + 1).trimmed().toUtf8());
    }
    const QByteArray body(reinterpret_cast<const char*>(composed.body.data()),
                          static_cast<qsizetype>(composed.body.size()));
    return send(network, request, &body);
}

QJsonArray accepted(QNetworkAccessManager& network, const StandinProcess& server)
{
    const auto answer = send(network, QNetworkRequest(QUrl(server.base() + "/sequences")), nullptr);
    return QJsonDocument::fromJson(answer.body).array();
}

UploadFields fields(const StandinProcess& server, std::u16string user, std::u16string password)
{
    return {u"Shop & check+1 %41 \u65E5\u672C",
            u"5+",
            u"127.0.0.1",
            QString::number(server.port()).toStdU16String(),
            std::move(user),
            std::move(password)};
}

} // namespace

class TestUploadRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void serverDecodesExactlyWhatWasTyped()
    {
        const QString user = "a+b%&c \u00E9";
        const QString password = "p=&%2B\"<>";
        StandinProcess server({"--user", user, "--password", password});
        QVERIFY(server.port() != 0);

        RecordedSequence sequence;
        const QByteArray body = QByteArrayLiteral("q=1%2B2&x=a+b&t=\xE6\x97\xA5");
        applyRecordingRule({u"http://shop.test/login.do?next=%2Fhome&a=1+2",
                            u"Content-Type: "
                            u"application/x-www-form-urlencoded\r\n",
                            HttpMethod::Post,
                            std::span(reinterpret_cast<const std::uint8_t*>(body.data()),
                                      static_cast<std::size_t>(body.size()))},
                           u"", sequence);
        applyRecordingRule(
            {u"https://shop.test/list?cat=5&sort=\"price\"<desc>", u"", HttpMethod::Get, {}}, u"",
            sequence);
        auto login = sequence.at(0);
        login->displayName = u"Log \"in\" & <go> 100% &amp;";
        login->requiredKeywords = u"Welcome + hello & 50%";
        login->forbiddenKeywords = u"Error <b>";
        login->responseCondition = readResponseCondition(u"\u3088\u308A\u5927\u304D\u3044");
        login->responseCode = -1;
        login->userName = u"basic+user&";
        login->password = u"pa%ss\"word";

        const auto composed = composeUploadRequest(
            buildSequenceDocument(sequence),
            fields(server, user.toStdU16String(), password.toStdU16String()), kVersion);
        QNetworkAccessManager network;
        const auto answer = upload(network, composed);
        QVERIFY2(answer.status == 200, answer.body.constData());

        const auto sequences = accepted(network, server);
        QCOMPARE(sequences.size(), 1);
        const auto decoded = sequences[0].toObject();
        const auto form = decoded["fields"].toObject();
        QCOMPARE(form["version"].toString(), QStringLiteral("6.0.3"));
        QCOMPARE(form["username"].toString(), user);
        QCOMPARE(form["password"].toString(), password);
        QCOMPARE(form["transactionname"].toString(),
                 QStringLiteral("Shop & check+1 %41 \u65E5\u672C"));
        QCOMPARE(form["pollinterval"].toString(), QStringLiteral("5+"));

        const auto urls = decoded["urls"].toArray();
        QCOMPARE(urls.size(), 2);
        const auto first = urls[0].toObject();
        QCOMPARE(first["address"].toString(),
                 QStringLiteral("http://shop.test/login.do?next=%2Fhome&a=1+2"));
        QCOMPARE(first["method"].toString(), QStringLiteral("P"));
        QCOMPARE(first["displayname"].toString(), QStringLiteral("Log \"in\" & <go> 100% &amp;"));
        // The recorder doubled "%" and read each byte as one character; one decoding undoes the
        // doubling, and the UTF-8 bytes of the form arrive as the characters they were read as.
        QCOMPARE(first["PostData"].toString(),
                 QStringLiteral(" q=1%2B2&x=a+b&t=\u00E6\u2014\u00A5"));
        QCOMPARE(first["Header"].toString(),
                 QStringLiteral("Content-Type: application/x-www-form-urlencoded\n"));
        QCOMPARE(first["MatchContent"].toString(), QStringLiteral("Welcome + hello & 50%"));
        QCOMPARE(first["UnavailabilityString"].toString(), QStringLiteral("Error <b>"));
        const auto code = first["HTTPResponseCode"].toObject();
        QCOMPARE(code["condition"].toString(), QStringLiteral("\u3088\u308A\u5927\u304D\u3044"));
        QCOMPARE(code["code"].toString(), QStringLiteral("-1"));
        const auto auth = first["AuthInfo"].toObject();
        QCOMPARE(auth["username"].toString(), QStringLiteral("basic+user&"));
        QCOMPARE(auth["password"].toString(), QStringLiteral("pa%ss\"word"));

        const auto second = urls[1].toObject();
        QCOMPARE(second["address"].toString(),
                 QStringLiteral("https://shop.test/list?cat=5&sort=\"price\"<desc>"));
        QCOMPARE(second["method"].toString(), QStringLiteral("G"));
        QVERIFY(!second.contains("AuthInfo"));
        QVERIFY(!second.contains("PostData"));
    }

    void serverRefusesWhatItShould()
    {
        QTemporaryDir dir;
        const auto log = dir.filePath("accepted.jsonl");
        StandinProcess server({"--limit", "1", "--log", log});
        QNetworkAccessManager network;
        RecordedSequence sequence;
        applyRecordingRule({u"http://h/", u"", HttpMethod::Get, {}}, u"", sequence);
        const auto document = buildSequenceDocument(sequence);

        QCOMPARE(upload(network, composeUploadRequest(document, fields(server, u"admin", u"wrong"),
                                                      kVersion))
                     .status,
                 404);
        QCOMPARE(upload(network, composeUploadRequest(document, fields(server, u"admin", u"admin"),
                                                      {6, 0, 2}))
                     .status,
                 400);
        QCOMPARE(upload(network, composeUploadRequest(u"<URLSequence><Url>",
                                                      fields(server, u"admin", u"admin"), kVersion))
                     .status,
                 500);
        QCOMPARE(upload(network, composeUploadRequest(document, fields(server, u"admin", u"admin"),
                                                      kVersion))
                     .status,
                 200);
        // The limit of one is reached now.
        QCOMPARE(upload(network, composeUploadRequest(document, fields(server, u"admin", u"admin"),
                                                      kVersion))
                     .status,
                 404);
        QCOMPARE(accepted(network, server).size(), 1);

        QFile logged(log);
        QVERIFY(logged.open(QIODevice::ReadOnly));
        const auto lines = logged.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(lines[0])["urls"][0]["address"].toString(),
                 QStringLiteral("http://h/"));

        const auto help = send(
            network, QNetworkRequest(QUrl(server.base() + "/help/getting-started.html")), nullptr);
        QCOMPARE(help.status, 200);
        QVERIFY(help.body.contains("Getting started with Waytrace"));
    }

    void replayUploadsThroughTheProgramsChannel()
    {
        StandinProcess server;
        QVERIFY(server.port() != 0);
        QTemporaryDir dir;
        const auto write = [&dir](const QString& name, const QByteArray& lines) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(lines);
            return file.fileName();
        };
        // A text/plain body with a control character, and a label with another one.
        const QByteArray body("t=a\001b\r\n\0", 8); // the stream's terminating byte last
        const auto stream = write(
            "s.jsonl", "{\"event\":\"BeforeNavigate2\",\"url\":\"http://shop.test/a\","
                       "\"headers\":\"Content-Type: text/plain\\r\\n\",\"postData\":\"" +
                           body.toBase64() +
                           "\"}\n{\"event\":\"Edit\",\"position\":1,\"field\":\"displayname\","
                           "\"value\":\"tab\\u000Bbed\"}\n");
        const auto empty = write("empty.jsonl", "{\"event\":\"Clear\"}\n"); // no step
        const auto run = [&](const QString& path, const QString& port, const QString& password) {
            QProcess process;
            process.start(QStringLiteral(WAYTRACE_REPLAY),
                          {"--upload", "--name", "n", "--interval", "5", "--host", "127.0.0.1",
                           "--port", port, "--user", "admin", "--password", password, path});
            process.waitForFinished(60000);
            return std::pair{process.exitCode(), process.readAllStandardOutput()};
        };
        const auto port = QString::number(server.port());
        const auto address =
            server.base().toUtf8() + "/createurlsequence.do?actionmethod=createUrlSeq";

        QCOMPARE(run(stream, port, "admin"), std::pair(0, address + "\n138 clear\n"));
        QNetworkAccessManager network;
        const auto sequences = accepted(network, server);
        QCOMPARE(sequences.size(), 1);
        const auto url = sequences[0]["urls"][0];
        QCOMPARE(url["displayname"].toString(), QStringLiteral("tab\uFFFDbed"));
        QCOMPARE(url["PostData"].toString(), QStringLiteral(" t=a\uFFFDb\n"));

        QCOMPARE(run(stream, port, "wrong"),
                 std::pair(1, "res://waytrace/http_404.htm#" + address + "\n140\n"));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const auto refused = QString::number(closed.serverPort());
        closed.close();
        const auto [exitCode, out] = run(stream, refused, "admin");
        QCOMPARE(exitCode, 1);
        QVERIFY(out.startsWith("res://waytrace/dnserror.htm#http://127.0.0.1:" + refused.toUtf8()));
        QVERIFY(out.endsWith("\n141\n"));
        QCOMPARE(run(empty, port, "admin"), std::pair(1, QByteArray()));
        QCOMPARE(accepted(network, server).size(), 1);
    }

    void badOptionsGiveUsage()
    {
        for (const QStringList& args : {QStringList{"--port", "http"}, QStringList{"--limit", "-1"},
                                        QStringList{"--unknown"}, QStringList{"extra"}}) {
            QProcess process;
            process.start(QStringLiteral(TORVANE_STANDIN), args);
            QVERIFY(process.waitForFinished(20000));
            QCOMPARE(process.exitCode(), 2);
            QVERIFY(process.readAllStandardError().contains("Usage"));
        }
    }
};

QTEST_GUILESS_MAIN(TestUploadRoundTrip)
#include "tst_upload_roundtrip.moc"
