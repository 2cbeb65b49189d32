#include "../support/prompt_server.h"
#include "fixture_server.h"
#include "full_disk.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// waytrace-record against the real engine: the stream it writes, played by waytrace-replay,
// gives the sequence that was recorded live.
class TestRecord : public QObject
{
    Q_OBJECT

    FixtureServer server_{QStringLiteral(FIXTURES_DIR)};

    // Runs a program while this process keeps serving the fixture pages.
    static QProcess::ExitStatus run(QProcess& process, const QString& program,
                                    const QStringList& arguments)
    {
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(program, arguments);
        if (!finished.wait(60000))
            process.kill();
        return process.exitStatus();
    }

private slots:
    void replayGivesTheLiveSequence_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("loads"); // of the top page, before the recording ends
        QTest::newRow("frames") << "frames.html"
                                << "" << 3 << 1;
        QTest::newRow("multipart form")
            << "forms.html"
            << "document.getElementById('multipartgo').click()" << 2 << 2;
        QTest::newRow("POST into a new window")
            << "popups.html"
            << "document.getElementById('postnewgo').click()" << 2 << 2;
        QTest::newRow("client redirect, then server redirects") << "redirects/chain.html"
                                                                << "" << 2 << 2;
        // Pages that go on by themselves: what they ask after the last load counted is not
        // recorded.
        QTest::newRow("pages that never stop") << "onward.html"
                                               << "" << 5 << 5;
        QTest::newRow("Shift_JIS form")
            << "cs/shift_jis/charsets.html"
            << "document.getElementById('u1').value = '\\u65e5\\u672c \\ud83d\\ude00 %&+';"
               "document.getElementById('urlencodedgo').click()"
            << 2 << 2;
    }

    void replayGivesTheLiveSequence()
    {
        QFETCH(QString, page);
        QFETCH(QString, script);
        QFETCH(int, records);
        QFETCH(int, loads);
        QTemporaryDir dir;
        const auto stream = dir.filePath(QStringLiteral("stream.jsonl"));
        const auto live = dir.filePath(QStringLiteral("live.json"));
        const auto file = dir.filePath(QStringLiteral("live.waytrace.json"));

        QProcess record;
        QStringList arguments{"--out",
                              stream,
                              "--sequence",
                              live,
                              "--file",
                              file,
                              "--passwords",
                              "--quit-after-loads",
                              QString::number(loads),
                              "--timeout",
                              "30"};
        if (!script.isEmpty())
            arguments << "--script" << script;
        arguments << server_.url(page);
        QCOMPARE(run(record, QStringLiteral(WAYTRACE_RECORD), arguments), QProcess::NormalExit);
        QVERIFY2(record.exitCode() == 0, record.readAllStandardError().constData());

        QProcess replay;
        QCOMPARE(run(replay, QStringLiteral(WAYTRACE_REPLAY), {stream}), QProcess::NormalExit);
        QVERIFY2(replay.exitCode() == 0, replay.readAllStandardError().constData());

        QFile liveFile(live);
        QVERIFY(liveFile.open(QIODevice::ReadOnly));
        const auto liveJson = liveFile.readAll();
        QCOMPARE(replay.readAllStandardOutput(), liveJson);
        const auto sequence = QJsonDocument::fromJson(liveJson).object();
        QCOMPARE(sequence.value("records").toArray().size(), records);
        // The sequence file of the same recording reads as the same records.
        QProcess fromFile;
        QCOMPARE(run(fromFile, QStringLiteral(WAYTRACE_REPLAY), {file}), QProcess::NormalExit);
        QCOMPARE(
            QJsonDocument::fromJson(fromFile.readAllStandardOutput()).object().value("records"),
            sequence.value("records"));
    }

    // A whole transaction recorded headless, a script for each page: log in (a cookie), save a
    // form with a token, log out with it. The site gives a new token on every visit, so the
    // test run of the recorded file finds the save and the logout refused with 200 and names
    // the token its pages offer now.
    void aTransactionIsRecordedAndComparedWhenReplayed()
    {
        int visits = 0;
        server_.setResponder([&visits](const FixtureServer::Request& request)
                                 -> std::optional<QByteArray> {
            const auto page = [](const QByteArray& status, const QByteArray& html,
                                 const QByteArray& extra = {}) {
                return "HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\n" +
                       extra + "Content-Length: " + QByteArray::number(html.size()) +
                       "\r\nConnection: close\r\n\r\n" + html;
            };
            const bool in = request.headers.value("cookie") == "sid=s1";
            const QByteArray token = "t" + QByteArray::number(visits);
            if (request.target == "/site/login" && request.method == "GET")
                return page("200 OK", "<title>Log in</title><form method=post><input name=user "
                                      "value=ann><button id=go>Log in</button></form>");
            if (request.target == "/site/login")
                return page("303 See Other", {},
                            "Location: /site/account\r\nSet-Cookie: sid=s1; Path=/\r\n");
            if (request.target == "/site/account" && in)
                return page("200 OK", "<title>Account</title><form action=/site/save method=post>"
                                      "<input type=hidden name=sectok value=t" +
                                          QByteArray::number(++visits) +
                                          "><input name=note value=hi><button id=save>Save"
                                          "</button></form>");
            if (request.target == "/site/save" && in && request.body.contains("sectok=" + token))
                return page("200 OK", "<title>Saved</title><p>Your note was saved.</p><a id=out "
                                      "href='/site/logout?sectok=" +
                                          token + "'>Log out</a>");
            if (request.target == "/site/logout?sectok=" + token && in)
                return page("200 OK", "<title>Logged out</title><p>Goodbye.</p>");
            if (request.target.startsWith("/site/"))
                return page("200 OK", "<title>Security Token did not match</title><p>Please "
                                      "log in again to continue.</p>");
            return std::nullopt;
        });
        QTemporaryDir dir;
        const auto file = dir.filePath(QStringLiteral("site.waytrace.json"));
        const auto stream = dir.filePath(QStringLiteral("site.jsonl"));
        QProcess record;
        QCOMPARE(
            run(record, QStringLiteral(WAYTRACE_RECORD),
                {"--file", file, "--out", stream, "--suggest-checks", "--quit-after-loads", "4",
                 "--timeout", "30", "--script",
                 "*/site/login=document.getElementById('go').click()", "--script",
                 "*/site/account=document.getElementById('save').click()", "--script",
                 "*/site/save=document.getElementById('out').click()", server_.url("site/login")}),
            QProcess::NormalExit);
        const auto told = record.readAllStandardError();
        QVERIFY2(record.exitCode() == 0, told.constData());
        QCOMPARE(visits, 2); // the checks were tried on a test run
        // Checks only where the replay found them: the refused save and logout get none.
        QVERIFY(told.contains("2. " + server_.url("site/login").toUtf8()));
        QFile edits(stream);
        QVERIFY(edits.open(QIODevice::ReadOnly));
        QStringList checks;
        for (const auto& line : edits.readAll().split('\n')) {
            const auto event = QJsonDocument::fromJson(line).object();
            if (event.value("event") == "Edit" && event.value("field") == "matchcontent")
                checks << QString::number(event.value("position").toInt()) + ':' +
                              event.value("value").toString();
        }
        QCOMPARE(checks, QStringList({"1:Log in", "2:Account"}));

        QProcess replay;
        QCOMPARE(run(replay, QStringLiteral(WAYTRACE_REPLAY), {"--test-run", file}),
                 QProcess::NormalExit);
        QCOMPARE(replay.exitCode(), 1);
        const auto lines = replay.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 4); // the login page, the login, the save, the logout
        const auto result = [&](int step) { return QJsonDocument::fromJson(lines[step]).object(); };
        QCOMPARE(result(1).value("differs").toArray().size(), 0);
        for (const int step : {2, 3}) {
            const auto differs = result(step).value("differs").toArray();
            QVERIFY(!differs.isEmpty());
            QCOMPARE(differs[0].toObject().value("got").toString(), "Security Token did not match");
            const auto stale = result(step).value("stale").toArray();
            QCOMPARE(stale.size(), 1);
            QCOMPARE(stale[0].toObject().value("field").toString(), "sectok");
            QCOMPARE(stale[0].toObject().value("recorded").toString(), "t1");
            QCOMPARE(stale[0].toObject().value("live").toString(), "t3");
            QCOMPARE(stale[0].toObject().value("page").toInt(), 2);
        }
        server_.setResponder({});
    }

    // Nobody answers a headless recording: a login, a certificate problem or a page dialog
    // counts as cancelled, never holds the run past its timeout, and sends nothing nobody typed.
    // Its files onto a full disk: the reason, a status that says so, the old files kept.
    void aFullDiskKeepsTheOldFiles()
    {
        waytrace::test::FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        for (const auto* name : {"stream", "file"})
            QVERIFY(disk.place(name, "kept"));
        disk.fill();
        for (const auto* option : {"--out", "--file"}) {
            const QString name = option == QStringLiteral("--out") ? "stream" : "file";
            QProcess record;
            QCOMPARE(run(record, QStringLiteral(WAYTRACE_RECORD),
                         {option, disk.filePath(name), "--quit-after-loads", "1", "--timeout", "30",
                          server_.url("index.html")}),
                     QProcess::NormalExit);
            QVERIFY2(record.exitCode() != 0, option);
            QVERIFY(record.readAllStandardError().contains(disk.filePath(name).toUtf8()));
            QCOMPARE(disk.contents(name), QByteArray("kept"));
        }
    }

    // Stopped by a signal, as Ctrl+C does, it writes what it recorded.
    void aSignalEndsTheRecordingWritten()
    {
        QTemporaryDir dir;
        const auto stream = dir.filePath(QStringLiteral("stream.jsonl"));
        QProcess record;
        QSignalSpy finished(&record, &QProcess::finished);
        record.start(QStringLiteral(WAYTRACE_RECORD),
                     {"--out", stream, "--timeout", "60", server_.url("page2.html?signal")});
        QTRY_VERIFY_WITH_TIMEOUT(!server_.requestsTo("/page2.html?signal").isEmpty(), 30000);
        record.terminate();
        QVERIFY(finished.wait(30000));
        QCOMPARE(record.exitStatus(), QProcess::NormalExit);
        QCOMPARE(record.exitCode(), 0);
        QFile file(stream);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("page2.html"));
    }

    void headlessPromptsCountAsCancelled()
    {
        PromptServer site;
        PromptServer secureSite(true);
        QTemporaryDir dir;
        const auto live = dir.filePath(QStringLiteral("live.json"));
        for (const auto& address : {site.url("/protected"), secureSite.url("/secure")}) {
            QProcess record;
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(run(record, QStringLiteral(WAYTRACE_RECORD),
                         {"--sequence", live, "--timeout", "4", "--out", dir.filePath("s"),
                          "--script", "alert('wait'); prompt('name?')", address}),
                     QProcess::NormalExit);
            QVERIFY2(record.exitCode() == 0, record.readAllStandardError().constData());
            QVERIFY(clock.elapsed() < 30000);
            QFile liveFile(live);
            QVERIFY(liveFile.open(QIODevice::ReadOnly));
            const auto records =
                QJsonDocument::fromJson(liveFile.readAll()).object().value("records").toArray();
            QCOMPARE(records.size(), 1);
            QCOMPARE(records[0].toObject().value("urladdress").toString(), address);
            QCOMPARE(records[0].toObject().value("username").toString(), QString());
        }
        const auto requests = site.requestsTo("/protected");
        QVERIFY2(!requests.isEmpty() && requests.size() <= 2, QByteArray::number(requests.size()));
        for (const auto& request : requests)
            QVERIFY(request.authorization.isEmpty());
        QVERIFY(secureSite.requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
