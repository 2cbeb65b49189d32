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
        const std::vector<std::uint8_t> posted(body.begin(), body.end());

        RecordedSequence sequence;
        const auto add = [&](const QString& url) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = url.toStdU16String();
            sequence.append(record);
            return record;
        };
        add(server.url("start?q=%25'x&n=[1-3]"));
        auto login = add(server.url("login"));
        login->method = HttpMethod::Post;
        login->postBody = postDataText(posted);
        login->headers = u"Content-Type: text/plain; charset=Shift_JIS\r\nHost: elsewhere\r\n"
                         u"X-Note: it's\r\n";
        login->userName = u"ann";
        login->password = u"p'w:d $x";
        login->displayName = u"Sign in\nnow";
        add(server.url("refused"))->headers = u"X-\033[31mA: b\nc\r\n";
        // A body longer than any one argument may be; a header line as long as curl reads one.
        auto longer = add(server.url("long"));
        longer->method = HttpMethod::Post;
        longer->postBody = std::u16string(300 * 1024, u'b');
        longer->headers = u"X-Long: " + std::u16string(64 * 1024, u'v') + u"\r\n";

        QTemporaryDir folder;
        const QString path = folder.filePath("sequence.sh");
        QProcess shell;
        runScript(shell, path, script(sequence, true));
        QCOMPARE(shell.exitCode(), 1); // the step not sent did not pass
        // A note is printed as it is: no escape reaches the terminal.
        QVERIFY(shell.readAllStandardError().contains(
            "step 3 not sent: the header line \"X-?[31mA\" holds"));
        QCOMPARE(shell.readAllStandardOutput().count("200 "), 3);

        const auto requests = server.requests();
        QCOMPARE(requests.size(), 4);
        QCOMPARE(requests[0].target, QByteArray("/start?q=%25'x&n=[1-3]"));
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

        QCOMPARE(requests[3].body.size(), 300 * 1024);
        QCOMPARE(requests[3].headers.value("x-long").size(), 64 * 1024);
    }

    // Written without passwords, the script takes each value it left out from the environment,
    // where and as its step sends it, and sends nothing while one is missing.
    void withheldValuesComeFromTheEnvironment()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        RecordedSequence sequence;
        auto login = std::make_shared<UrlRecord>();
        login->urlAddress = server.url("login?api_key=old&x=1").toStdU16String();
        login->method = HttpMethod::Post;
        login->postBody = u"user=ann&password=old&x=2";
        login->headers = u"Content-Type: application/x-www-form-urlencoded\r\n";
        login->userName = u"bob";
        login->password = u"old";
        auto upload = std::make_shared<UrlRecord>();
        upload->urlAddress =
            server.url("upload").replace("http://", "http://ann:old@").toStdU16String();
        upload->method = HttpMethod::Post;
        upload->postBody = u"--AbC\r\nContent-Disposition: form-data; name=\"pass\"\r\n\r\nold\r\n"
                           u"--AbC--\r\n";
        upload->headers = u"Content-Type: multipart/form-data; boundary=AbC\r\n";
        sequence.append(login);
        sequence.append(upload);
        const QByteArray written = script(sequence, false);
        QVERIFY(!written.contains("old"));

        QTemporaryDir folder;
        QProcess shell;
        runScript(shell, folder.filePath("sequence.sh"), written);
        QCOMPARE(shell.exitCode(), 2);
        const QStringList variables{"WAYTRACE_PASSWORD_STEP_1", "WAYTRACE_FIELD_STEP_1_API_KEY",
                                    "WAYTRACE_FIELD_STEP_1_PASSWORD",
                                    "WAYTRACE_ADDRESS_PASSWORD_STEP_2",
                                    "WAYTRACE_FIELD_STEP_2_PASS"};
        const QString refusal = shell.readAllStandardError();
        for (const auto& variable : variables)
            QVERIFY2(refusal.contains(variable), qPrintable(refusal));
        QVERIFY(server.requests().isEmpty());

        auto environment = QProcessEnvironment::systemEnvironment();
        const QStringList values{"b\"pw\\", "k&y", "p%w d", "a d", "s e\"cret"};
        for (qsizetype i = 0; i < variables.size(); ++i)
            environment.insert(variables[i], values[i]);
        shell.setProcessEnvironment(environment);
        runScript(shell, folder.filePath("sequence.sh"), written);
        QCOMPARE(shell.exitCode(), 0);
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].target, QByteArray("/login?api_key=k%26y&x=1"));
        QCOMPARE(requests[0].body, QByteArray("user=ann&password=p%25w%20d&x=2"));
        QCOMPARE(requests[0].headers.value("authorization"),
                 "Basic " + QByteArray("bob:b\"pw\\").toBase64());
        QCOMPARE(requests[1].headers.value("authorization"),
                 "Basic " + QByteArray("ann:a d").toBase64());
        QCOMPARE(requests[1].body,
                 QByteArray("--AbC\r\nContent-Disposition: form-data; name=\"pass\"\r\n\r\n"
                            "s e\"cret\r\n--AbC--\r\n"));
    }

    // An address that is no http(s) one, or that curl would read as an option, is not sent;
    // a step curl cannot send stops the script with its status, and nothing after it goes.
    void theScriptStopsAtTheFirstStepCurlCannotSend_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("option") << "--version";
        QTest::newRow("another scheme") << "gopher://127.0.0.1:%1/_x";
        QTest::newRow("a file") << "file:///etc/hostname";
        QTest::newRow("nobody listens") << "http://127.0.0.2:1/";
    }
    void theScriptStopsAtTheFirstStepCurlCannotSend()
    {
        QFETCH(QString, address);
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        RecordedSequence sequence;
        if (address.contains(u'%'))
            address = address.arg(server.port());
        for (const QString& url : {address, server.url("after")}) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = url.toStdU16String();
            sequence.append(record);
        }
        QTemporaryDir folder;
        QProcess shell;
        runScript(shell, folder.filePath("sequence.sh"), script(sequence, false));
        QVERIFY(shell.exitCode() != 0);
        QVERIFY(shell.readAllStandardError().contains("step 1 failed"));
        // Nothing but the status line of the step: no version, no file's contents.
        const auto output = shell.readAllStandardOutput();
        QVERIFY2(output.startsWith("000 ") && output.count('\n') == 1, output.constData());
        QVERIFY(server.requests().isEmpty());
    }

    void aUserNameWithAColonIsRefused()
    {
        RecordedSequence sequence;
        for (const char16_t* user : {u"ann", u"ann:admin"}) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = u"http://127.0.0.1/";
            record->userName = user;
            sequence.append(record);
        }
        const auto refused = curlScript(sequence, true);
        QVERIFY(std::holds_alternative<CurlScriptRefusal>(refused));
        QCOMPARE(std::get<CurlScriptRefusal>(refused).step, 2);
    }

private:
    static QByteArray script(const RecordedSequence& sequence, bool withPasswords)
    {
        const auto written = curlScript(sequence, withPasswords);
        return std::holds_alternative<QByteArray>(written) ? std::get<QByteArray>(written)
                                                           : QByteArray();
    }

    static void runScript(QProcess& shell, const QString& path, const QByteArray& script)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        shell.start("sh", {path});
        QVERIFY(shell.waitForStarted());
        // The server answers on this thread: the events go on while the script runs.
        QTRY_VERIFY_WITH_TIMEOUT(shell.state() == QProcess::NotRunning, 20000);
    }
};

QTEST_MAIN(TestCurlScript)
#include "tst_curl_script.moc"
