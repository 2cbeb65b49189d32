// Debian's Locust runs an exported file against a server that keeps every request's bytes.

#include "fixture_server.h"
#include "sequence_file_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <array>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Waited for in the event loop: the test's own server answers.
Run run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!finished.wait(120000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// Locust's own error report, as it prints it at the end: occurrences by request name and reason.
QHash<QString, int> errorReport(const QByteArray& output)
{
    QHash<QString, int> errors;
    const auto report = output.mid(output.lastIndexOf("Error report"));
    static const QRegularExpression line(
        QStringLiteral(R"(^\s*(\d+)\s+(?:GET|POST) (.+?): (.*)$)"));
    for (const auto& text : QString::fromUtf8(report).split(u'\n')) {
        const auto match = line.match(text);
        if (match.hasMatch())
            errors.insert(match.captured(2) + u' ' + match.captured(3).trimmed(),
                          match.captured(1).toInt());
    }
    return errors;
}

// A shop: a login that sets its cookie across a 303, files behind basic authentication.
std::optional<QByteArray> shopAnswer(const FixtureServer::Request& request)
{
    const auto page = [](const QByteArray& text, const QByteArray& extra = {}) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n" + extra +
               "Content-Length: " + QByteArray::number(text.size()) +
               "\r\nConnection: close\r\n\r\n" + text;
    };
    if (request.target == "/login")
        return "HTTP/1.1 303 See Other\r\nLocation: /account\r\n"
               "Set-Cookie: session=s1; Path=/\r\nContent-Length: 0\r\n"
               "Connection: close\r\n\r\n";
    if (request.target == "/account")
        return page(request.headers.value("cookie") == "session=s1" ? "Welcome back, Ann"
                                                                    : "Please sign in");
    if (request.target == "/private" &&
        request.headers.value("authorization") != "Basic YW5uOnB3IQ==")
        return "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"files\"\r\n"
               "Content-Length: 0\r\nConnection: close\r\n\r\n";
    if (request.target == "/private")
        return page("Your files");
    return std::nullopt;
}

} // namespace

class TestLocust : public QObject
{
    Q_OBJECT

private slots:
    // Every request Locust sends carries the recorded bytes (a Shift_JIS form, a multipart form,
    // a login whose cookie crosses a 303), once a user; a request fails exactly where the test
    // run says the monitor would alert, and Locust's exit status says so.
    void locustSendsTheRecordedRequests()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.setResponder(shopAnswer);
        const QString form = "application/x-www-form-urlencoded";
        auto login =
            sequenceRecord(server.url("login"), "P", "user=ann&code=s%2525", // "s%25" as sent
                           "Content-Type: " + form + "\r\n");
        login["matchcontent"] = "Welcome back";
        // Shift_JIS bytes of "テスト", each as the recorded body writes it (its Windows-1252
        // character: 0x83 is U+0192).
        const QByteArray sjisBytes = "\x83\x65\x83\x58\x83\x67";
        const QString sjis = QStringLiteral(u"\u0192e\u0192X\u0192g");
        const auto sjisForm = sequenceRecord(server.url("order"), "P", "item=" + sjis,
                                             "Content-Type: " + form + "; charset=Shift_JIS\r\n");
        const QByteArray multipartHead =
            "--XyZ\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\n";
        const QString multipartBody = multipartHead + sjis + "\r\n--XyZ--\r\n";
        const auto multipart =
            sequenceRecord(server.url("upload"), "P", multipartBody,
                           "Content-Type: multipart/form-data; boundary=XyZ\r\n");
        auto privateFiles = sequenceRecord(server.url("private"));
        privateFiles["username"] = "ann";
        privateFiles["password"] = "pw!";
        privateFiles["matchcontent"] = "Your files";
        auto alerting = sequenceRecord(server.url("status/500")); // 500 is greater than 200
        alerting["displayname"] = "\x1b[2Jgone"; // printed, it would clear the terminal
        const auto unsendable = sequenceRecord(server.url("never"), "G", {}, "X-A: 1\nB: 2\r\n");
        const QJsonArray records{login, sjisForm, multipart, privateFiles, alerting, unsendable};

        QTemporaryDir dir;
        const QString sequence = dir.filePath("shop.waytrace.json");
        QFile file(sequence);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sequenceFile(records));
        file.close();

        // The test run's verdicts, to hold Locust's failures against.
        const auto trialRun = run(WAYTRACE_REPLAY, {"--test-run", sequence});
        QCOMPARE(trialRun.exitCode, 1);
        QList<bool> alerts;
        for (const auto& line : trialRun.out.trimmed().split('\n')) {
            const auto fires = QJsonDocument::fromJson(line).object().value("fires").toObject();
            alerts << (fires.value("matchcontent").toBool() ||
                       fires.value("unavailabilitystring").toBool() ||
                       fires.value("httpcondition").toBool());
        }
        QCOMPARE(alerts, (QList<bool>{false, false, false, false, true, false}));
        server.clear();

        const QString locustfile = dir.filePath("shop.py");
        QCOMPARE(run(WAYTRACE_REPLAY, {"--locust", locustfile, sequence}).exitCode, 0);
        QFile written(locustfile);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(!written.readAll().contains("pw!")); // written without passwords
        auto environment = QProcessEnvironment::systemEnvironment();
        QCOMPARE(run("locust", {"-f", locustfile, "--headless", "-u", "2", "-r", "2"}, environment)
                     .exitCode,
                 1); // refused: the password's variable is not set
        QVERIFY(server.requests().isEmpty());

        environment.insert("WAYTRACE_PASSWORD_STEP_4", "pw!");
        const auto load =
            run("locust", {"-f", locustfile, "--headless", "-u", "2", "-r", "2", "--only-summary"},
                environment);
        QVERIFY2(load.exitCode != 0, load.err.right(2000).constData());
        QVERIFY2(load.exitCode != -1, "locust did not end by itself");

        // Each user's requests, in order, byte for byte.
        const QList<QByteArray> expected{"/login",  "/account", "/order",
                                         "/upload", "/private", "/status/500"};
        QList<QByteArray> targets;
        for (const auto& request : server.requests())
            targets << request.target;
        QCOMPARE(targets.size(), 2 * expected.size());
        for (const auto& target : expected)
            QCOMPARE(targets.count(target), 2);
        for (const auto& request : server.requests()) {
            if (request.target == "/login") {
                QCOMPARE(request.method, "POST");
                QCOMPARE(request.body, "user=ann&code=s%25");
                QCOMPARE(request.headers.value("content-type"), form.toUtf8());
            } else if (request.target == "/account") {
                QCOMPARE(request.method, "GET"); // after the 303
                QCOMPARE(request.headers.value("cookie"), "session=s1");
            } else if (request.target == "/order") {
                QCOMPARE(request.body, "item=" + sjisBytes);
            } else if (request.target == "/upload") {
                QCOMPARE(request.body, multipartHead + sjisBytes + "\r\n--XyZ--\r\n");
                QCOMPARE(request.headers.value("content-type"),
                         "multipart/form-data; boundary=XyZ");
            } else if (request.target == "/private") {
                QCOMPARE(request.headers.value("authorization"), "Basic YW5uOnB3IQ==");
            }
        }
        // Failed exactly where the test run would alert, for each user.
        // A step that cannot be sent as recorded fails too, as in the test run.
        const auto errors = errorReport(load.err);
        QCOMPARE(errors.size(), 2);
        QCOMPARE(errors.value("5. GET ?[2Jgone CatchResponseError('would alert: status 500 is "
                              "Greater than 200')"),
                 2);
        QCOMPARE(errors.value("6. GET Exception('step 6 not sent: the header line \"X-A\" holds a "
                              "line break or NUL of its own')"),
                 2);
        QVERIFY(!load.err.contains('\x1b'));
    }

    // Load beyond one machine, as the README runs it: a master and two workers of Debian's
    // Locust (which reports no version of its own) share the users, and each user's requests
    // arrive as recorded.
    void distributedOverWorkers()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.setResponder(shopAnswer);
        auto login = sequenceRecord(server.url("login"), "P", "user=ann&password=old",
                                    "Content-Type: application/x-www-form-urlencoded\r\n");
        login["matchcontent"] = "Welcome back";
        auto privateFiles = sequenceRecord(server.url("private"));
        privateFiles["username"] = "ann";
        privateFiles["password"] = "pw!";
        QTemporaryDir dir;
        const QString sequence = dir.filePath("shop.waytrace.json");
        QFile file(sequence);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sequenceFile({login, privateFiles, sequenceRecord(server.url("status/500"))}));
        file.close();
        const QString locustfile = dir.filePath("shop.py");
        QCOMPARE(run(WAYTRACE_REPLAY, {"--locust", locustfile, sequence}).exitCode, 0);
        // With passwords, from a file that was saved without them: still asked for.
        const QString saved = dir.filePath("saved.json");
        QCOMPARE(run(WAYTRACE_REPLAY, {"--file", saved, sequence}).exitCode, 0);
        const QString again = dir.filePath("again.py");
        QCOMPARE(run(WAYTRACE_REPLAY, {"--locust", again, "--passwords", saved}).exitCode, 0);
        QFile againFile(again);
        QVERIFY(againFile.open(QIODevice::ReadOnly));
        QVERIFY(
            againFile.readAll().contains("\"password_variable\": \"WAYTRACE_PASSWORD_STEP_2\""));

        QTcpServer probe; // a free port for the master
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString port = QString::number(probe.serverPort());
        probe.close();
        QProcess master;
        QSignalSpy masterEnded(&master, &QProcess::finished);
        master.start("locust", {"-f", locustfile, "--headless", "--master", "--expect-workers", "2",
                                "--users", "4", "--spawn-rate", "4", "--master-bind-host",
                                "127.0.0.1", "--master-bind-port", port});
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("WAYTRACE_PASSWORD_STEP_2", "pw!");
        environment.insert("WAYTRACE_FIELD_STEP_1_PASSWORD", "n&w"); // written without it
        std::array<QProcess, 2> workers;
        for (auto& worker : workers) {
            worker.setProcessEnvironment(environment);
            worker.start("locust", {"-f", locustfile, "--worker", "--master-host", "127.0.0.1",
                                    "--master-port", port});
        }
        QVERIFY2(masterEnded.wait(180000), "the master did not end by itself");
        for (auto& worker : workers)
            QVERIFY(worker.state() == QProcess::NotRunning || worker.waitForFinished(30000));
        const auto masterOutput = master.readAllStandardError();
        QVERIFY2(masterOutput.contains("2 workers connected"),
                 masterOutput.right(2000).constData());
        QCOMPARE(master.exitCode(), 1); // the alerting step failed

        QHash<QByteArray, int> targets;
        for (const auto& request : server.requests()) {
            ++targets[request.target];
            if (request.target == "/login")
                QCOMPARE(request.body, "user=ann&password=n%26w");
            else if (request.target == "/private")
                QCOMPARE(request.headers.value("authorization"), "Basic YW5uOnB3IQ==");
        }
        QCOMPARE(targets,
                 (QHash<QByteArray, int>{
                     {"/login", 4}, {"/account", 4}, {"/private", 4}, {"/status/500", 4}}));
        // Workers hand the master the failure's words, without their exception's name.
        const auto errors = errorReport(masterOutput);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.begin().key().startsWith("3. GET ") &&
                     errors.begin().key().contains("'would alert: status 500 is Greater than 200'"),
                 qPrintable(errors.begin().key()));
        QCOMPARE(errors.begin().value(), 4);
    }
};

QTEST_GUILESS_MAIN(TestLocust)
#include "tst_locust.moc"
