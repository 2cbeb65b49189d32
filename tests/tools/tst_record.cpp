#include "../support/prompt_server.h"
#include "fixture_server.h"

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

    // Nobody answers a headless recording: a login, a certificate problem or a page dialog
    // counts as cancelled, never holds the run past its timeout, and sends nothing nobody typed.
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
