#include "../support/prompt_server.h"
#include "fixture_server.h"
#include "network/content_decoding.h"
#include "network/trial_run.h"
#include "network/trial_run_har.h"
#include "u16_compare.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <zlib.h>

using namespace waytrace;
using namespace std::string_literals;

namespace {

QByteArray answer(const QByteArray& status, const QByteArray& body,
                  const QByteArray& extra = "Content-Type: text/html; charset=utf-8\r\n")
{
    return "HTTP/1.1 " + status + "\r\n" + extra +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// `data` as a gzip stream.
QByteArray gzip(const QByteArray& data)
{
    const QByteArray zlib = qCompress(data).mid(4); // less Qt's length prefix
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    out += zlib.mid(2, zlib.size() - 6); // less zlib's header and checksum
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.constData()), static_cast<uInt>(data.size()));
    for (const auto word : {static_cast<quint32>(crc), static_cast<quint32>(data.size())})
        for (int shift = 0; shift < 32; shift += 8)
            out += static_cast<char>((word >> shift) & 0xff);
    return out;
}

// A gzip stream that inflates to `size` zero bytes, made a piece at a time.
QByteArray zeros(qint64 size)
{
    z_stream stream = {};
    deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    const QByteArray piece(1 << 20, '\0');
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    QByteArray out;
    for (qint64 left = size; left > 0; left -= piece.size()) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.constData()));
        stream.avail_in = static_cast<uInt>(std::min<qint64>(left, piece.size()));
        const int flush = left <= piece.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, flush);
            out.append(buffer.constData(), buffer.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

RecordRef record(const QString& url, std::u16string requiredKeywords = {},
                 std::u16string forbiddenKeywords = {})
{
    auto r = std::make_shared<UrlRecord>();
    r->urlAddress = url.toStdU16String();
    r->requiredKeywords = std::move(requiredKeywords);
    r->forbiddenKeywords = std::move(forbiddenKeywords);
    return r;
}

// Runs the whole sequence and collects its results.
QList<TrialRunResult> run(TrialRun& trialRun, const RecordedSequence& sequence)
{
    QList<TrialRunResult> results;
    QObject::connect(&trialRun, &TrialRun::stepFinished, &trialRun,
                     [&](const TrialRunResult& result) { results << result; });
    QSignalSpy finished(&trialRun, &TrialRun::finished);
    trialRun.start(sequence);
    if (!finished.wait(10000))
        qWarning() << "the trial run did not finish";
    trialRun.disconnect(&trialRun);
    return results;
}

// Sends an answer piece by piece, each when the one before has left, or one every `pause`: for
// answers too big to hold and answers that never end.
class PieceServer : public QTcpServer
{
public:
    using Pieces = std::function<QByteArray(int index)>; // empty: the answer ends

    explicit PieceServer(Pieces pieces, std::chrono::milliseconds pause = {})
        : pieces_(std::move(pieces)), pause_(pause)
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (auto* socket = nextPendingConnection()) {
                socket->setParent(this);
                auto index = std::make_shared<int>(0);
                const auto next = [this, socket, index] {
                    if (socket->bytesToWrite() > 0)
                        return;
                    const auto piece = pieces_((*index)++);
                    if (piece.isEmpty())
                        socket->disconnectFromHost();
                    else
                        socket->write(piece);
                };
                if (pause_.count() > 0) {
                    auto* timer = new QTimer(socket);
                    connect(timer, &QTimer::timeout, socket, next);
                    timer->start(pause_);
                } else {
                    connect(socket, &QTcpSocket::bytesWritten, socket, next);
                }
                connect(socket, &QTcpSocket::readyRead, socket, [socket, next] {
                    socket->readAll();
                    next();
                });
            }
        });
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort()); }

private:
    Pieces pieces_;
    std::chrono::milliseconds pause_;
};

} // namespace

class TestTrialRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(server_.listen(QHostAddress::LocalHost)); }
    void cleanup()
    {
        server_.setResponder({});
        server_.clear();
    }

    // Each condition as the panel's labels read it, on bodies in their declared charsets.
    void conditionsAreReadAsLabelled()
    {
        server_.setResponder(
            [](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (request.target == "/home")
                    return answer("200 OK", "<h1>Welcome</h1> all systems go");
                if (request.target == "/sjis") // "ご注文" in Shift_JIS, declared only in the page
                    return answer("200 OK",
                                  "<meta charset=\"shift_jis\"><p>\x82\xB2\x92\x8D\x95\xB6</p>",
                                  "Content-Type: text/html\r\n");
                if (request.target == "/sjis-header") // declared only in the header
                    return answer("200 OK", "<p>\x82\xB2\x92\x8D\x95\xB6</p>",
                                  "Content-Type: text/html; charset=Shift_JIS\r\n");
                if (request.target == "/broken")
                    return answer("500 Internal Server Error", "Error: database down");
                return std::nullopt;
            });
        RecordedSequence sequence;
        sequence.append(record(server_.url("home"), u"Welcome", u"Error"));
        sequence.append(record(server_.url("home"), u"welcome")); // case counts: not found
        sequence.append(record(server_.url("sjis"), u"ご注文"));
        sequence.append(record(server_.url("sjis-header"), u"ご注文"));
        auto broken = record(server_.url("broken"), {}, u"Error");
        broken->responseCode = 499;
        sequence.append(broken);
        auto japanese = record(server_.url("broken"));
        japanese->responseCondition = {CodeCondition::EqualTo, InterfaceLanguage::Japanese, {}};
        japanese->responseCode = 500;
        sequence.append(japanese);

        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 6);
        QVERIFY(results[0].passed());
        QCOMPARE(results[0].fires.requiredKeywords, std::optional<bool>(false));
        QCOMPARE(results[0].fires.forbiddenKeywords, std::optional<bool>(false));
        QCOMPARE(results[0].status, 200);
        QCOMPARE(results[0].size, qint64(31));
        QCOMPARE(results[1].fires.requiredKeywords, std::optional<bool>(true));
        QVERIFY(!results[1].fires.forbiddenKeywords);
        QCOMPARE(results[2].fires.requiredKeywords, std::optional<bool>(false));
        QCOMPARE(results[3].fires.requiredKeywords, std::optional<bool>(false));
        QCOMPARE(results[4].status, 500);
        QCOMPARE(results[4].fires.forbiddenKeywords, std::optional<bool>(true));
        QCOMPARE(results[4].fires.responseCondition, std::optional<bool>(true));
        QCOMPARE(results[5].fires.responseCondition, std::optional<bool>(true));
        QCOMPARE(results[5].position, 6);
    }

    // A login whose form needs the cookie of the page before it, posted with the recorded bytes
    // and header text; redirects are followed and basic authentication is sent with the first
    // request, to the URL's own server only.
    void replaysWhatWasRecorded()
    {
        FixtureServer elsewhere(QStringLiteral(FIXTURES_DIR));
        QVERIFY(elsewhere.listen(QHostAddress::LocalHost));
        elsewhere.setResponder([](const FixtureServer::Request&) -> std::optional<QByteArray> {
            return answer("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"y\"\r\n");
        });
        const QByteArray away = "Location: " + elsewhere.url("ask").toUtf8() + "\r\n";
        server_.setResponder(
            [&away](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (request.target == "/away")
                    return answer("302 Found", "", away);
                if (request.target == "/form")
                    return answer("200 OK",
                                  "<form><input type=hidden name=csrf_token value=xyz>"
                                  "<input name=user value=guest></form>",
                                  "Set-Cookie: session=s1; Path=/\r\n");
                if (request.target == "/login")
                    return request.headers.value("cookie") == "session=s1"
                               ? answer("303 See Other", "", "Location: /account\r\n")
                               : answer("403 Forbidden", "no session");
                if (request.target == "/account")
                    return answer("200 OK", "Signed in");
                if (request.target == "/private")
                    return request.headers.value("authorization") == "Basic YW5uOnMzY3JldA=="
                               ? answer("200 OK", "private")
                               : answer("401 Unauthorized", "",
                                        "WWW-Authenticate: Basic realm=\"x\"\r\n");
                return std::nullopt;
            });
        RecordedSequence sequence;
        sequence.append(record(server_.url("form")));
        auto login = record(server_.url("login"), u"Signed in");
        login->method = HttpMethod::Post;
        login->postBody = u"user=ann&note=100%25+caf\u00e9&csrf_token=abc"; // as recorded
        login->headers = u"Content-Type: application/x-www-form-urlencoded\r\nX-Trace: 7\r\n";
        sequence.append(login);
        auto secret = record(server_.url("private"), u"private");
        secret->userName = u"ann";
        secret->password = u"s3cret";
        sequence.append(secret);
        sequence.append(record(server_.url("private"))); // no credentials: refused
        auto redirected = record(server_.url("away"));
        redirected->userName = u"ann";
        redirected->password = u"s3cret";
        sequence.append(redirected);
        const UrlRecord before = *login;

        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 5);
        QVERIFY(results[1].passed());
        QCOMPARE(results[1].status, 200);
        QCOMPARE(results[1].finalUrl, server_.url("account"));
        // The form now offers another token; the user's own entry is theirs.
        QCOMPARE(results[1].staleFields.size(), 1U);
        QCOMPARE(results[1].staleFields[0].name, u"csrf_token"s);
        QCOMPARE(results[1].staleFields[0].recorded, u"abc"s);
        QCOMPARE(results[1].staleFields[0].live, u"xyz"s);
        QCOMPARE(results[1].staleFields[0].offeredBy, std::optional<std::size_t>(0)); // the form
        QVERIFY(results[0].staleFields.empty());
        const auto posts = server_.requestsTo("/login");
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts[0].method, QByteArray("POST"));
        QCOMPARE(posts[0].body, QByteArray("user=ann&note=100%+caf\xe9&csrf_token=abc"));
        QCOMPARE(posts[0].headers.value("x-trace"), QByteArray("7"));
        QCOMPARE(results[2].status, 200);
        QVERIFY(results[2].passed());
        QCOMPARE(results[3].status, 401);
        // Basic authentication goes with the first request: each step asks once.
        const auto privateRequests = server_.requestsTo("/private");
        QCOMPARE(privateRequests.size(), 2);
        QCOMPARE(privateRequests[0].headers.value("authorization"), "Basic YW5uOnMzY3JldA==");
        // The URL's credentials are for its own server, not for one it redirects to.
        QCOMPARE(results[4].status, 401);
        QCOMPARE(elsewhere.requests().size(), 1);
        QVERIFY(!elsewhere.requests()[0].headers.contains("authorization"));
        // Nothing of the run is written back.
        QCOMPARE(login->postBody, before.postBody);
        QCOMPARE(login->urlAddress, before.urlAddress);
    }

    // A server that never answers: the silence limit ends the URL and the run goes on; the window
    // keeps turning meanwhile, and a cancel ends the run at once.
    // A site that refuses a replayed save and logout with 200 and a page of its own: the run
    // says how each differs from the page the user saw, and which sent values the pages now
    // offer anew, in the body or in the query.
    void replaysAreComparedWithWhatTheUserSaw()
    {
        const QByteArray edit =
            "<title>Edit</title><a href='/logout?id=start&amp;sectok=new'>Log out</a><form "
            "action=/save><input type=hidden name=sectok value=new><input type=hidden "
            "name=date value=1733600099></form>";
        const QByteArray refused = "<title>Security Token did not match</title><p>Security "
                                   "Token did not match. Possible CSRF attack.</p>";
        server_.setResponder(
            [&](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                return answer("200 OK", request.target == "/edit" ? edit : refused);
            });
        const auto seen = [](const char* title, const char16_t* text) {
            return seenPageOf(200, {},
                              u"<title>" + QString::fromLatin1(title).toStdU16String() +
                                  u"</title><p>" + text + u"</p>");
        };
        RecordedSequence sequence;
        auto step = record(server_.url("edit"));
        step->seen = seen("Edit", u"");
        sequence.append(step);
        step = record(server_.url("save"));
        step->method = HttpMethod::Post;
        step->postBody = u"sectok=old&date=1733600000&wikitext=Gr%25C3%25BC%25C3%259Fe";
        step->seen = seen("Playground", u"Gr\u00fc\u00dfe \u65e5\u672c\u8a9e, saved by ann "
                                        u"on the playground page of this wiki today");
        sequence.append(step);
        step = record(server_.url("logout?id=start&sectok=old"));
        step->seen = seen("Logged out", u"You are logged out of this wiki now.");
        sequence.append(step);

        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 3);
        QVERIFY(results[0].passed());
        QVERIFY(!results[1].passed());
        using Kind = PageDifference::Kind;
        QCOMPARE(results[1].differences.size(), 2U);
        QCOMPARE(results[1].differences[0],
                 (PageDifference{Kind::Title, u"Playground", u"Security Token did not match"}));
        QCOMPARE(results[1].differences[1].kind, Kind::Text);
        QStringList stale;
        for (const auto& result : results)
            for (const auto& field : result.staleFields)
                stale << QStringLiteral("%1:%2>%3")
                             .arg(result.position)
                             .arg(QString::fromStdU16String(field.name),
                                  QString::fromStdU16String(field.live));
        QCOMPARE(stale, QStringList({"2:sectok>new", "2:date>1733600099", "3:sectok>new"}));
        QCOMPARE(results[2].differences.front().got, u"Security Token did not match"s);
    }

    void silentServersNeitherFreezeNorHold()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const auto closedUrl = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
        closed.close();

        // One that began its answer and went quiet is told apart.
        QTcpServer stalling;
        QVERIFY(stalling.listen(QHostAddress::LocalHost));
        connect(&stalling, &QTcpServer::newConnection, &stalling, [&stalling] {
            auto* socket = stalling.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" +
                              QByteArray(3000, 'x'));
            });
        });

        RecordedSequence sequence;
        sequence.append(record(server_.url("hang")));
        sequence.append(record(closedUrl));
        sequence.append(record(QStringLiteral("http://127.0.0.1:%1/").arg(stalling.serverPort())));
        TrialRun trialRun;
        trialRun.setSilenceLimit(std::chrono::milliseconds(500));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 3);
        QCOMPARE(results[0].failure, TrialRunFailure::Silent);
        QCOMPARE(results[0].status, 0);
        QVERIFY(!results[0].passed());
        QVERIFY(ticks >= 10);
        QCOMPARE(results[1].failure, TrialRunFailure::Refused);
        QCOMPARE(results[2].failure, TrialRunFailure::Stalled);
        QCOMPARE(failureWords(results[2]), QStringLiteral("the server stopped sending after 3 KB"));
        sequence.remove(2);

        QSignalSpy finished(&trialRun, &TrialRun::finished);
        QSignalSpy done(&trialRun, &TrialRun::stepFinished);
        trialRun.setSilenceLimit(std::chrono::seconds(30));
        trialRun.start(sequence);
        QTest::qWait(100);
        trialRun.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toBool(), true);
        QVERIFY(!trialRun.isRunning());
        QTest::qWait(100);
        QCOMPARE(done.size(), 0);
    }

    // Answers that never become whole fail, whatever their status line said.
    void brokenAnswersFail()
    {
        const QByteArray bomb = zeros(ContentDecoding::kMostDecoded + 1);
        server_.setResponder(
            [&bomb](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (request.target == "/cut")
                    return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
                if (request.target == "/loop")
                    return answer("302 Found", "", "Location: /loop\r\n");
                // A gzip stream cut in half: the connection closes before the length it
                // promised, or the length promises only the half that came.
                const QByteArray whole = gzip(QByteArray(3000, 'w') + "forbidden");
                const QByteArray half = whole.left(whole.size() / 2);
                if (request.target == "/cut-gzip")
                    return "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " +
                           QByteArray::number(whole.size()) + "\r\n\r\n" + half;
                if (request.target == "/short-gzip")
                    return answer("200 OK", half, "Content-Encoding: gzip\r\n");
                if (request.target == "/gzip")
                    return answer("200 OK", whole, "Content-Encoding: gzip\r\n");
                // Nothing to decode: read as it is.
                if (request.target == "/empty-gzip")
                    return answer("200 OK", {}, "Content-Encoding: gzip\r\n");
                // Codings in layers are undone in turn; one the run cannot undo is never read
                // as if it were plain, nor one that inflates past all reason.
                if (request.target == "/twice")
                    return answer("200 OK", gzip(whole), "Content-Encoding: gzip, gzip\r\n");
                if (request.target == "/odd-name")
                    return answer("200 OK", "forbidden", "Content-Encoding: br\r\n");
                if (request.target == "/layers") // no page is packed four times over
                    return answer("200 OK", gzip(gzip(gzip(gzip("x")))),
                                  "Content-Encoding: gzip, gzip, gzip, gzip\r\n");
                if (request.target == "/bomb")
                    return answer("200 OK", bomb, "Content-Encoding: gzip\r\n");
                return std::nullopt;
            });
        RecordedSequence sequence;
        sequence.append(record(server_.url("cut")));
        sequence.append(record(server_.url("loop")));
        sequence.append(record(server_.url("cut-gzip"), {}, u"forbidden"));
        sequence.append(record(server_.url("short-gzip"), {}, u"forbidden"));
        sequence.append(record(server_.url("gzip"), u"forbidden"));
        sequence.append(record(server_.url("empty-gzip")));
        sequence.append(record(server_.url("twice"), {}, u"forbidden"));
        sequence.append(record(server_.url("odd-name")));
        sequence.append(record(server_.url("bomb")));
        sequence.append(record(server_.url("layers")));
        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 10);
        QVERIFY(results[4].passed());
        QCOMPARE(results[4].size, 3009);
        QVERIFY(results[5].passed());
        QVERIFY(results[6].fires.forbiddenKeywords.value_or(false));
        QCOMPARE(results[7].failure, TrialRunFailure::Unreadable);
        QVERIFY(results[7].failureDetail.contains("\"br\""));
        QCOMPARE(results[8].failure, TrialRunFailure::Unreadable);
        QVERIFY2(results[8].failureDetail.startsWith("answer too large"),
                 qPrintable(results[8].failureDetail));
        QCOMPARE(results[9].failure, TrialRunFailure::Unreadable);
        QCOMPARE(results[0].failure, TrialRunFailure::BrokenOff);
        QCOMPARE(results[0].status, 200);
        QVERIFY(!results[0].passed());
        QCOMPARE(results[1].failure, TrialRunFailure::Redirects);
        QCOMPARE(results[2].failure, TrialRunFailure::BrokenOff);
        QCOMPARE(results[3].failure, TrialRunFailure::BrokenOff);
    }

    // The run as a HAR: each URL's request and answer, credentials hidden.
    void theRunReadsAsAHar()
    {
        server_.setResponder(
            [](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (request.target == "/moved")
                    return answer("303 See Other", "", "Location: /page\r\n");
                if (request.target == "/form")
                    return answer("200 OK", "",
                                  "Set-Cookie: sid=cookieS3cret\r\nX-Api-Key: "
                                  "keyS3cret\r\nLocation: http://u:locationS3cret@h/\r\n");
                return answer("200 OK", "<p>caf\xc3\xa9</p>");
            });
        RecordedSequence sequence;
        auto login = record(server_.url("moved"));
        login->method = HttpMethod::Post;
        login->postBody = u"user=ann&pw=1";
        login->headers = u"Authorization: Basic YW5uOnB3\r\nX-A: b\r\n";
        sequence.append(login);
        auto form = record(server_.url("form?pass=queryS3cret").replace("//", "//ann:urlS3cret@"));
        form->method = HttpMethod::Post;
        form->postBody = u"user=ann&k=formS3cret";
        form->passwordFields = {u"k"};
        sequence.append(form);
        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 2);
        QVERIFY(!trialRunHar(results).contains("S3cret"));
        const auto har = QJsonDocument::fromJson(trialRunHar(results)).object().value("log");
        QCOMPARE(har["version"].toString(), QStringLiteral("1.2"));
        // Each request as it went: the login's POST answered 303, then the GET it led to.
        const auto entries = har["entries"].toArray();
        QCOMPARE(entries.size(), 3);
        const auto posted = entries[0].toObject();
        QCOMPARE(posted["comment"].toString(), QStringLiteral("step 1"));
        QCOMPARE(posted["request"]["method"].toString(), QStringLiteral("POST"));
        QCOMPARE(posted["request"]["postData"]["text"].toString(),
                 QStringLiteral("user=ann&pw=%28left%20out%29")); // "pw" says password
        QCOMPARE(posted["response"]["status"].toInt(), 303);
        QCOMPARE(posted["response"]["redirectURL"].toString(), server_.url("page"));
        QVERIFY(!entries[1].toObject().contains("comment"));
        QCOMPARE(entries[2].toObject()["comment"].toString(), QStringLiteral("step 2"));
        const auto entry = entries[1].toObject();
        const auto request = entry["request"].toObject();
        QCOMPARE(request["method"].toString(), QStringLiteral("GET")); // after the 303
        QCOMPARE(request["url"].toString(), server_.url("page"));
        QStringList headers;
        for (const auto& header : request["headers"].toArray())
            headers << header.toObject()["name"].toString().toLower() + ": " +
                           header.toObject()["value"].toString(); // Qt 6.7 on: lower-case names
        QVERIFY(headers.contains("authorization: ***"));
        QVERIFY(headers.contains("x-a: b"));
        const auto response = entry["response"].toObject();
        QCOMPARE(response["status"].toInt(), 200);
        QCOMPARE(response["content"]["text"].toString(), QStringLiteral("<p>caf\u00e9</p>"));
        QVERIFY(!QString::fromUtf8(trialRunHar(results)).contains("YW5uOnB3"));
    }

    // A site's certificate the user let through in the browser for that host is accepted by the
    // run too; otherwise the run says why the certificate was refused.
    void certificatesAreAcceptedAsInTheBrowser()
    {
        PromptServer secure(true);
        RecordedSequence sequence;
        sequence.append(record(secure.url(QStringLiteral("/page"))));
        sequence.append(
            record(secure.url(QStringLiteral("/page")).replace("127.0.0.1", "localhost")));
        TrialRun trialRun;
        auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].failure, TrialRunFailure::Secure);
        QCOMPARE(results[0].certificateProblem, CertificateProblem::SelfSigned);
        QCOMPARE(results[1].certificateProblem, CertificateProblem::WrongHost);

        const QString fingerprint = QString::fromLatin1(secure.certificateFingerprint());
        auto accepted = std::make_shared<AcceptedCertificates>();
        accepted->accept(QStringLiteral("127.0.0.1"), fingerprint);
        trialRun.acceptCertificates(accepted);
        results = run(trialRun, sequence);
        QCOMPARE(results[0].failure, TrialRunFailure::None);
        QCOMPARE(results[0].status, 200);
        QCOMPARE(results[1].failure, TrialRunFailure::Secure); // accepted for another host only
    }

    // Answers are judged as they arrive: a keyword split between pieces of a long answer, in the
    // declared charset, is found; one at the very end of an answer too is.
    void longAnswersAreSearchedAsTheyArrive()
    {
        constexpr int kPieces = 400; // of 64 KiB: 25 MiB in all
        const QByteArray filler(64 * 1024, 'a');
        const QByteArray keyword = "\x93\xFA\x96\x7B\x8C\xEA"; // Shift_JIS
        PieceServer server([&](int index) -> QByteArray {
            if (index == 0)
                return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=Shift_JIS\r\n"
                       "Transfer-Encoding: chunked\r\n\r\n";
            if (index > kPieces + 1)
                return {};
            const QByteArray data = index == kPieces / 2       ? filler + keyword.left(3)
                                    : index == kPieces / 2 + 1 ? keyword.mid(3) + filler
                                    : index == kPieces + 1     ? QByteArray("END")
                                                               : filler;
            return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n" +
                   (index == kPieces + 1 ? "0\r\n\r\n" : "");
        });
        RecordedSequence sequence;
        sequence.append(record(server.url(), u"\u65e5\u672c\u8a9e", u"aEND"));
        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].failure, TrialRunFailure::None);
        QCOMPARE(results[0].size, kPieces * filler.size() + keyword.size() + 3);
        QCOMPARE(results[0].fires.requiredKeywords, std::optional<bool>(false));
        QCOMPARE(results[0].fires.forbiddenKeywords, std::optional<bool>(true));
    }

    // An answer that keeps trickling in ends at the overall limit; one that cannot be read to
    // its end fails, saying why, never passes; a highly compressed one is read to its end.
    void answersEndWithinTheirLimits()
    {
        PieceServer trickle(
            [](int index) -> QByteArray {
                return index == 0 ? QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n")
                                  : QByteArray("x");
            },
            std::chrono::milliseconds(50));
        QByteArray bomb = qCompress(QByteArray(64 * 1024 * 1024, ' ') + "forbidden", 9);
        bomb.remove(0, 4); // qCompress's own length prefix: what remains is a zlib stream
        server_.setResponder(
            [&bomb](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (request.target == "/bomb")
                    return answer("200 OK", bomb, "Content-Encoding: deflate\r\n");
                if (request.target == "/garbled")
                    return answer("200 OK", "not deflate at all", "Content-Encoding: deflate\r\n");
                return std::nullopt;
            });
        RecordedSequence sequence;
        sequence.append(record(trickle.url()));
        sequence.append(record(server_.url("bomb"), {}, u"forbidden"));
        sequence.append(record(server_.url("garbled")));
        TrialRun trialRun;
        trialRun.setAnswerLimit(std::chrono::milliseconds(700));
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 3);
        QCOMPARE(results[0].failure, TrialRunFailure::TooSlow);
        QVERIFY(results[0].milliseconds < 5000);
        QCOMPARE(results[1].failure, TrialRunFailure::None);
        QCOMPARE(results[1].size, 64 * 1024 * 1024 + 9);
        QCOMPARE(results[1].fires.forbiddenKeywords, std::optional<bool>(true));
        QCOMPARE(results[2].failure, TrialRunFailure::Unreadable);
        QCOMPARE(results[2].failureDetail, QStringLiteral("the compressed answer is damaged"));
        QCOMPARE(results[2].status, 200);
        QVERIFY(!results[2].passed());
    }

    // Recorded header lines go out only where they belong: credentials to the URL's own origin,
    // what the network layer writes itself never, a line that would break the request not at all.
    void headerLinesAreChecked()
    {
        FixtureServer elsewhere(QStringLiteral(FIXTURES_DIR));
        QVERIFY(elsewhere.listen(QHostAddress::LocalHost));
        const QByteArray away = "Location: " + elsewhere.url("landing").toUtf8() + "\r\n";
        server_.setResponder(
            [&away](const FixtureServer::Request& request) -> std::optional<QByteArray> {
                if (request.target == "/step")
                    return answer("307 Temporary Redirect", "", "Location: /again\r\n");
                if (request.target == "/again")
                    return answer("302 Found", "", away);
                return std::nullopt;
            });
        RecordedSequence sequence;
        auto step = record(server_.url("step"));
        step->method = HttpMethod::Post;
        step->postBody = u"a=1";
        step->headers = u"Cookie: sid=1\r\nAuthorization: Bearer t\r\nHost: evil\r\n"
                        u"Content-Length: 99\r\nX-Keep: k\r\n";
        sequence.append(step);
        auto broken = record(server_.url("never"));
        broken->headers = u"X-A: 1\nInjected: 2\r\n";
        sequence.append(broken);
        TrialRun trialRun;
        const auto results = run(trialRun, sequence);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].status, 200);
        QCOMPARE(results[0].finalUrl, elsewhere.url("landing"));
        const auto again = server_.requestsTo("/again");
        QCOMPARE(again.size(), 1);
        QCOMPARE(again[0].method, QByteArray("POST")); // 307 repeats the request
        QCOMPARE(again[0].body, QByteArray("a=1"));
        QCOMPARE(again[0].headers.value("cookie"), QByteArray("sid=1"));
        QCOMPARE(again[0].headers.value("authorization"), QByteArray("Bearer t"));
        QCOMPARE(again[0].headers.value("host"),
                 QByteArray("127.0.0.1:") + QByteArray::number(server_.port()));
        const auto landed = elsewhere.requests();
        QCOMPARE(landed.size(), 1);
        QCOMPARE(landed[0].method, QByteArray("GET"));
        QVERIFY(!landed[0].headers.contains("cookie"));
        QVERIFY(!landed[0].headers.contains("authorization"));
        QVERIFY(!landed[0].headers.contains("content-type"));
        QCOMPARE(landed[0].headers.value("x-keep"), QByteArray("k"));
        QCOMPARE(results[1].failure, TrialRunFailure::BadHeaders);
        QCOMPARE(results[1].failureDetail,
                 QStringLiteral("the header line \"X-A\" holds a line break or NUL of its own"));
        QVERIFY(server_.requestsTo("/never").isEmpty());
    }

private:
    FixtureServer server_{QStringLiteral(FIXTURES_DIR)};
};

QTEST_GUILESS_MAIN(TestTrialRun)
#include "tst_trial_run.moc"
