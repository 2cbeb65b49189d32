#include "fixture_server.h"
#include "full_disk.h"
#include "sequence_file_json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// JSON written with single quotes, so that test data reads without escapes; moc cannot read
// raw string literals that hold "//".
QByteArray jsonLines(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run replay(const QByteArray& stream, QStringList arguments = {},
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QTemporaryDir dir;
    const auto path = dir.filePath(QStringLiteral("stream.jsonl"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(stream);
    file.close();

    QProcess process;
    process.setProcessEnvironment(environment);
    arguments.append(path);
    // Waited for in the event loop: a test's own server answers the runs.
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(WAYTRACE_REPLAY), arguments);
    if (!finished.wait(30000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

private slots:
    void recordsEditsAndPrintsInDeclarationOrder()
    {
        const auto run = replay(jsonLines(
            "\n"
            "{'event':'BeforeNavigate2','url':'about:blank'}\n"
            "{'event':'BeforeNavigate2','url':'http://localhost:9090/help/getting-started.html'}\n"
            "{'event':'BeforeNavigate2','url':'http://shop.test/list?cat=5&sort=price'}\n"
            "{'event':'DocumentComplete','url':'http://shop.test/list?cat=5&sort=price'}\n"
            "{'event':'BeforeNavigate2','url':'http:///'}\n"
            "{'event':'BeforeNavigate2','url':'http://shop.test/login','headers':'Content-Type: "
            "application/x-www-form-urlencoded\\r\\n','postData':'dT1hJTJCYiZwPTEA'}\n"
            "{'event':'NewWindow2'}\n"
            "{'event':'BeforeNavigate2','browser':'popup','url':'https://shop.test/popup'}\n"
            "{'event':'DownloadComplete','browser':'popup'}\n"
            "{'event':'Edit','position':1,'field':'displayname','value':'Catalogue \\u65E5'}\n"
            "{'event':'Edit','position':2,'field':'httpvalue','value':-32768}\n"
            "{'event':'Edit','position':2,'field':'httpcondition','value':'Equal to'}\n"
            "{'event':'Edit','position':3,'field':'username','value':'buyer'}\n"
            "{'event':'Edit','position':3,'field':'password','value':'p&w'}\n"
            "{'event':'Edit','position':3,'field':'matchcontent','value':'Thanks'}\n"
            "{'event':'Edit','position':3,'field':'unavailabilitystring','value':'Error'}\n"));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());

        // Keys stand in declaration order, which a JSON object reader would hide.
        QVERIFY(run.out.contains(jsonLines(
            "{'urladdress':'http://shop.test/login','displayname':'','url':'','httpmethod':'P',"
            "'querystring':'u=a%252Bb&p=1','headers':'Content-Type: "
            "application/x-www-form-urlencoded\\r\\n',"
            "'matchcontent':'','unavailabilitystring':'','httpcondition':'Equal to',"
            "'httpvalue':-32768,'username':'','password':''}")));

        const auto json = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(json.value("cancelled").toArray(), QJsonArray({"http:///"}));
        const auto records = json.value("records").toArray();
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0]["displayname"].toString(), QStringLiteral("Catalogue \u65E5"));
        QCOMPARE(records[0]["httpmethod"].toString(), QStringLiteral("G"));
        QCOMPARE(records[0]["httpvalue"].toInt(), 200);
        QCOMPARE(records[0]["httpcondition"].toString(), QStringLiteral("Greater than"));
        QCOMPARE(records[2]["urladdress"].toString(), QStringLiteral("https://shop.test/popup"));
        QCOMPARE(records[2]["password"].toString(), QStringLiteral("p&w"));
        QCOMPARE(records[2]["matchcontent"].toString(), QStringLiteral("Thanks"));
        QCOMPARE(records[2]["unavailabilitystring"].toString(), QStringLiteral("Error"));
    }

    void removeAndClear()
    {
        const auto run = replay(jsonLines("\n"
                                          "{'event':'BeforeNavigate2','url':'http://a/'}\n"
                                          "{'event':'BeforeNavigate2','url':'http://b/'}\n"
                                          "{'event':'BeforeNavigate2','url':'http:///'}\n"
                                          "{'event':'Clear'}\n"
                                          "{'event':'BeforeNavigate2','url':'http://c/'}\n"
                                          "{'event':'BeforeNavigate2','url':'http://d/'}\n"
                                          "{'event':'BeforeNavigate2','url':'http://e/'}\n"
                                          "{'event':'Remove','position':2}\n"));
        QCOMPARE(run.exitCode, 0);
        const auto json = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(json.value("cancelled").toArray(), QJsonArray({"http:///"}));
        const auto records = json.value("records").toArray();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0]["urladdress"].toString(), QStringLiteral("http://c/"));
        QCOMPARE(records[1]["urladdress"].toString(), QStringLiteral("http://e/"));
    }

    void helpAddressCanBeGiven()
    {
        const auto run = replay(jsonLines("{'event':'BeforeNavigate2','url':'http://help/'}\n"
                                          "{'event':'BeforeNavigate2','url':'http://localhost:9090/"
                                          "help/getting-started.html'}"),
                                {"--help-url", "http://help/"});
        QCOMPARE(run.exitCode, 0);
        const auto records = QJsonDocument::fromJson(run.out).object().value("records").toArray();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0]["urladdress"].toString(),
                 QStringLiteral("http://localhost:9090/help/getting-started.html"));
    }

    void errorsNameTheLineAndPrintNothing_data()
    {
        QTest::addColumn<QByteArray>("badLine");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("invalid json") << QByteArray("{") << QByteArray("line 3");
        QTest::newRow("unknown event")
            << jsonLines("{'event':'Jump'}") << QByteArray("unknown event");
        QTest::newRow("unknown field")
            << jsonLines("{'event':'Edit','position':1,'field':'url','value':'x'}")
            << QByteArray("unknown field");
        QTest::newRow("httpvalue too large")
            << jsonLines("{'event':'Edit','position':1,'field':'httpvalue','value':32768}")
            << QByteArray("httpvalue");
        QTest::newRow("httpvalue as text")
            << jsonLines("{'event':'Edit','position':1,'field':'httpvalue','value':'200'}")
            << QByteArray("httpvalue");
        QTest::newRow("label as number")
            << jsonLines("{'event':'Edit','position':1,'field':'displayname','value':1}")
            << QByteArray("string");
        QTest::newRow("edit past the end")
            << jsonLines("{'event':'Edit','position':2,'field':'displayname','value':'x'}")
            << QByteArray("out of range");
        QTest::newRow("remove past the end")
            << jsonLines("{'event':'Remove','position':2}") << QByteArray("out of range");
    }

    void errorsNameTheLineAndPrintNothing()
    {
        QFETCH(QByteArray, badLine);
        QFETCH(QByteArray, message);
        const auto run = replay(jsonLines("{'event':'BeforeNavigate2','url':'http://a/'}\n\n") +
                                badLine + "\n" + jsonLines("{'event':'Clear'}"));
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains("line 3"), run.err.constData());
        QVERIFY2(run.err.contains(message), run.err.constData());
    }

    void documentRequestAndOutcomeModes()
    {
        const auto stream = jsonLines(
            "{'event':'BeforeNavigate2','url':'http://h/a.do?x=1&y=2'}\n"
            "{'event':'Edit','position':1,'field':'displayname','value':'L\u00E9\\u0001'}\n");
        const auto xml = replay(stream, {"--xml"});
        QCOMPARE(xml.exitCode, 0);
        QVERIFY(
            xml.out.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r"));
        QVERIFY(xml.out.contains("<Url address=\"http://h/a.do?x=1&amp;y=2\" method=\"G\" "
                                 "displayname=\"L\xC3\xA9\xEF\xBF\xBD\">\r")); // U+0001 replaced
        QVERIFY(xml.out.endsWith("</URLSequence>\r"));

        const QStringList dialog = {
            "--request", "--name", "Shop & more", "--interval", "5",          "--host", "localhost",
            "--port",    "9090",   "--user",      "a+b%&c",     "--password", "pw"};
        const auto request = replay(stream, dialog);
        QCOMPARE(request.exitCode, 0);
        QVERIFY(request.out.startsWith(
            "http://localhost:9090/createurlsequence.do?actionmethod=createUrlSeq\r\n"
            "Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
            "accept-charset:UTF-8,*\r\n\r\n"
            "version=6.0.3&username=a%2Bb%25%26c&password=pw&transactionname=Shop %26 more"
            "&pollinterval=5&seqinfo=<?xml"));
        QVERIFY(request.out.contains("x=1%26amp;y=2"));
        QVERIFY(request.out.endsWith("</URLSequence>\r"));

        const auto empty =
            replay(jsonLines("{'event':'BeforeNavigate2','url':'about:blank'}"), dialog);
        QCOMPARE(empty.exitCode, 0);
        QVERIFY(empty.out.isEmpty());

        QProcess process;
        process.start(QStringLiteral(WAYTRACE_REPLAY),
                      {"--outcome",
                       "http://localhost:9090/createurlsequence.do?actionmethod=createUrlSeq",
                       "http://localhost:9090/", "9090"});
        process.waitForFinished(30000);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("138 clear\n"));
        process.start(QStringLiteral(WAYTRACE_REPLAY),
                      {"--outcome", "res://x/dnserror.htm#http://h/", "http:///", "9090"});
        process.waitForFinished(30000);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("none\n"));
        process.start(QStringLiteral(WAYTRACE_REPLAY),
                      {"--outcome", "res://x/http_500.htm#http://h/", "http://h/", "9090"});
        process.waitForFinished(30000);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("154\n"));
    }

    // The command runs the window's trial run: one line per URL, keys in reading order, and an
    // exit status that says whether anything would fire.
    void trialRunPrintsALinePerUrl()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const auto home = server.url(QStringLiteral("home")).toUtf8();
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("stream.jsonl")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            jsonLines("{'event':'BeforeNavigate2','url':'" + home +
                      "'}\n"
                      "{'event':'BeforeNavigate2','url':'" +
                      home +
                      "','postData':'dG9rZW49YWJjAA=='}\n"
                      "{'event':'Edit','position':2,'field':'matchcontent','value':'Nowhere'}\n"));
        file.close();

        QProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QStringLiteral(WAYTRACE_REPLAY), {"--test-run", file.fileName()});
        QVERIFY(finished.wait(30000));
        const auto lines = process.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(
            jsonLines("{'position':1,'status':200,'final':'" + home + "','ms':")));
        QVERIFY(lines[0].endsWith(jsonLines(
            ",'fires':{'matchcontent':null,'unavailabilitystring':null,'httpcondition':false},"
            "'stale':[],'differs':[],'error':null}")));
        // A token no page offers is flagged by its name.
        QVERIFY(lines[1].endsWith(jsonLines(
            ",'fires':{'matchcontent':true,'unavailabilitystring':null,'httpcondition':false},"
            "'stale':[{'field':'token','kind':'token','recorded':'abc','live':'','page':null}],"
            "'differs':[],'error':null}")));
        QCOMPARE(process.exitCode(), 1);
    }

    // The run as JUnit XML: valid against the schema CI servers read, a failure with the
    // verdict and its reason for each step that did not pass, no secret; and the exit statuses.
    void trialRunWritesJUnit()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        auto alerting = sequenceRecord(server.url("page2.html"));
        alerting["matchcontent"] = "Nowhere to be found";
        // No XML can hold these; a lone surrogate goes in as the file's own escape.
        alerting["displayname"] = QStringLiteral(u"Cart\u0001\uffffLONE\U0001F6D2");
        auto differing = sequenceRecord(server.url("forms.html"));
        differing["seen"] = QJsonObject{{"status", 200},
                                        {"final", server.url("forms.html")},
                                        {"title", "Another page"},
                                        {"fingerprint", QJsonArray{}}};
        auto home = sequenceRecord(server.url("index.html"));
        home["displayname"] = "Home";
        const QJsonArray records{home, alerting, differing,
                                 sequenceRecord("http://127.0.0.1:1/?password=hunter2")};
        QTemporaryDir dir;
        const QString report = dir.filePath("report.xml");
        const auto run = replay(sequenceFile(records).replace("LONE", "\\ud800"),
                                {"--test-run", "--junit", report});
        QCOMPARE(run.exitCode, 1);

        QProcess xmllint;
        xmllint.start("xmllint", {"--noout", "--schema", FIXTURES_DIR "/junit/junit.xsd", report});
        QVERIFY(xmllint.waitForFinished(30000));
        QVERIFY2(xmllint.exitCode() == 0, xmllint.readAllStandardError().constData());

        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.contains("hunter2"));
        QXmlStreamReader xml(bytes);
        QStringList cases;
        QStringList failures;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"testsuite") {
                QCOMPARE(xml.attributes().value("name"), u"stream");
                QCOMPARE(xml.attributes().value("tests"), u"4");
                QCOMPARE(xml.attributes().value("failures"), u"3");
            } else if (xml.name() == u"testcase") {
                cases << xml.attributes().value("name").toString();
                QVERIFY(xml.attributes().value("time").toDouble() >= 0);
            } else if (xml.name() == u"failure") {
                failures << xml.attributes().value("message").toString();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(cases, (QStringList{"Home", QStringLiteral(u"Cart\ufffd\ufffd\ufffd\U0001F6D2"),
                                     "GET " + server.url("forms.html"),
                                     "GET http://127.0.0.1:1/?password=(left out)"}));
        QCOMPARE(failures.size(), 3);
        QCOMPARE(failures[0], "would alert: \"Nowhere to be found\" not found");
        QVERIFY2(failures[1].startsWith("differs: title"), qPrintable(failures[1]));
        QCOMPARE(failures[2], "no answer: connection refused");

        QCOMPARE(replay(sequenceFile({sequenceRecord(server.url("index.html"))}), {"--test-run"})
                     .exitCode,
                 0);
        const auto unwritable = dir.filePath("no/such/folder/report.xml");
        const auto before = server.requestsTo("/").size();
        QCOMPARE(replay(sequenceFile(records), {"--test-run", "--junit", unwritable}).exitCode, 3);
        QCOMPARE(server.requestsTo("/").size(), before); // nothing sent unreported
        QCOMPARE(replay(sequenceFile({}), {"--test-run"}).exitCode, 3);
        QCOMPARE(replay(sequenceFile(records), {"--junit", report}).exitCode, 2);
    }

    // A file saved without passwords is run with the values it left out from the environment,
    // never with what stands in their place; one missing refuses the run before anything goes.
    void trialRunTakesWithheldValuesFromTheEnvironment()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        auto login = sequenceRecord(server.url("index.html"), "P", "user=ann&password=old",
                                    "Content-Type: application/x-www-form-urlencoded\r\n");
        login["username"] = "bob";
        login["password"] = "old";
        QTemporaryDir dir;
        const QString saved = dir.filePath("saved.json");
        QCOMPARE(replay(sequenceFile({login}), {"--file", saved}).exitCode, 0);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray withoutPasswords = file.readAll();
        QVERIFY(!withoutPasswords.contains("old"));

        const auto refused = replay(withoutPasswords, {"--test-run"});
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.err.contains("WAYTRACE_PASSWORD_STEP_1 WAYTRACE_FIELD_STEP_1_PASSWORD"),
                 refused.err.constData());
        QVERIFY(server.requests().isEmpty());

        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("WAYTRACE_PASSWORD_STEP_1", "pw");
        environment.insert("WAYTRACE_FIELD_STEP_1_PASSWORD", "n&w");
        QCOMPARE(replay(withoutPasswords, {"--test-run"}, environment).exitCode, 0);
        const auto sent = server.requestsTo("/index.html");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].body, QByteArray("user=ann&password=n%26w"));
        QCOMPARE(sent[0].headers.value("authorization"),
                 "Basic " + QByteArray("bob:pw").toBase64());
    }

    // Every file the tool writes, onto a full disk: refused with the reason, the old file kept.
    void fullDiskKeepsEveryOldFile()
    {
        waytrace::test::FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const auto sequence = sequenceFile({sequenceRecord(server.url("index.html"))});
        const QStringList outputs{"--file", "--curl", "--locust", "--junit"};
        for (const auto& option : outputs)
            QVERIFY(disk.place(option, "kept " + option.toUtf8()));
        disk.fill();
        for (const auto& option : outputs) {
            QStringList arguments{option, disk.filePath(option)};
            if (option == "--junit")
                arguments.prepend("--test-run");
            const auto run = replay(sequence, arguments);
            QVERIFY2(run.exitCode >= 2, qPrintable(option));
            QVERIFY2(run.err.contains("cannot write"), run.err.constData());
            QCOMPARE(disk.contents(option), "kept " + option.toUtf8());
        }
    }

    // Outputs to what is no regular file go into it: a discarding device stays a device, a
    // FIFO's reader gets the whole file.
    void devicesAndFifosAreWrittenInto()
    {
        QTemporaryDir dir;
        const auto sequence = sequenceFile({sequenceRecord("http://127.0.0.1:1/")});
        const QString fifo = dir.filePath("fifo");
        QVERIFY(mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
        QProcess reader;
        reader.start("cat", {fifo});
        const auto run = replay(sequence, {"--file", fifo});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(reader.state() == QProcess::NotRunning || reader.waitForFinished(30000));
        QVERIFY(reader.readAllStandardOutput().contains("\"waytrace-sequence\""));
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());

        if (geteuid() != 0)
            QSKIP("a device node needs root to be made");
        const QString null = dir.filePath("null");
        QVERIFY(mknod(null.toLocal8Bit().constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        for (const auto* option : {"--file", "--curl", "--locust"}) {
            QCOMPARE(replay(sequence, {option, null}).exitCode, 0);
            struct stat status = {};
            QVERIFY(stat(null.toLocal8Bit().constData(), &status) == 0 && S_ISCHR(status.st_mode));
        }
    }

    // The run's HAR holds every request that went over the wire, a redirect's with where it
    // led; imported again, it gives the sequence's steps back, a login answered 303 still a POST
    // with its body, and the run's answers as what they showed.
    void theRunsHarImportsAsItsSteps()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.setResponder([](const FixtureServer::Request& request) -> std::optional<QByteArray> {
            if (request.target == "/login")
                return QByteArray("HTTP/1.1 303 See Other\r\nLocation: /index.html\r\n"
                                  "Content-Length: 0\r\n\r\n");
            return std::nullopt;
        });
        const QJsonArray records{
            sequenceRecord(server.url("login"), "P", "user=ann&note=x",
                           "Content-Type: application/x-www-form-urlencoded\r\n"),
            sequenceRecord(server.url("page2.html"))};
        QTemporaryDir dir;
        const QString har = dir.filePath("run.har");
        QCOMPARE(replay(sequenceFile(records), {"--test-run", "--run-har", har}).exitCode, 0);
        QFile file(har);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto entries =
            QJsonDocument::fromJson(file.readAll()).object()["log"].toObject()["entries"].toArray();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0]["response"]["status"].toInt(), 303);
        QCOMPARE(entries[0]["response"]["redirectURL"].toString(), server.url("index.html"));

        QProcess import;
        import.start(QStringLiteral(WAYTRACE_REPLAY), {"--har", har});
        QVERIFY(import.waitForFinished(30000));
        QCOMPARE(import.exitCode(), 0);
        const auto steps =
            QJsonDocument::fromJson(import.readAllStandardOutput()).object()["records"].toArray();
        QCOMPARE(steps.size(), 2);
        QCOMPARE(steps[0]["urladdress"].toString(), server.url("login"));
        QCOMPARE(steps[0]["httpmethod"].toString(), QStringLiteral("P"));
        QCOMPARE(steps[0]["querystring"].toString(), QStringLiteral("user=ann&note=x"));
        QCOMPARE(steps[1]["urladdress"].toString(), server.url("page2.html"));
        QCOMPARE(replay(sequenceFile(records), {"--run-har", har}).exitCode, 2);
    }

    // A sequence file is read wherever a stream is: its records print as the stream's did,
    // and a broken one is refused naming the record and field.
    void sequenceFilesStandInForStreams()
    {
        const auto fromStream = replay(jsonLines(
            "{'event':'BeforeNavigate2','url':'http://shop.test/a?x=%25'}\n"
            "{'event':'BeforeNavigate2','url':'http://shop.test/login','headers':'Content-Type: "
            "application/x-www-form-urlencoded\\r\\n','postData':'dXNlcj1hbm4A'}\n"
            "{'event':'Edit','position':2,'field':'password','value':'s\\u00e9cret'}\n"));
        QCOMPARE(fromStream.exitCode, 0);
        const auto records = QJsonDocument::fromJson(fromStream.out).object().value("records");
        QCOMPARE(records.toArray().size(), 2);
        QJsonObject file{{"format", "waytrace-sequence"},
                         {"version", 1},
                         {"passwords", true},
                         {"records", records}};
        const auto fromFile = replay(QJsonDocument(file).toJson());
        QCOMPARE(fromFile.exitCode, 0);
        QCOMPARE(fromFile.out, fromStream.out);
        QVERIFY(replay(QJsonDocument(file).toJson(), {"--xml"}).out.contains("shop.test/login"));

        auto broken = records.toArray();
        auto first = broken[0].toObject();
        first["httpvalue"] = "200";
        broken[0] = first;
        file["records"] = broken;
        const auto refused = replay(QJsonDocument(file).toJson());
        QCOMPARE(refused.exitCode, 2);
        QVERIFY(refused.out.isEmpty());
        QVERIFY(refused.err.contains("record 1") && refused.err.contains("httpvalue"));

        // A file cut short, or one byte gone wrong, is named where it breaks; nothing is empty.
        const QByteArray whole = QJsonDocument(file).toJson();
        for (const auto& broken : {whole.left(whole.size() / 2),
                                   QByteArray(whole).replace("\"records\"", "\"records\"\x01")}) {
            const auto run = replay(broken);
            QCOMPARE(run.exitCode, 2);
            QVERIFY2(run.err.contains("a sequence file cut or broken at line "),
                     run.err.constData());
        }
        for (const QByteArray& empty : {QByteArray(), QByteArray("\n  \n")})
            QCOMPARE(replay(empty).exitCode, 2);
    }

    // The same import as the window's: the records on stdout, what was left out on stderr.
    void harFilesAreImported()
    {
        QFile har(QStringLiteral(FIXTURES_DIR "/har/chromium_flow.har"));
        QVERIFY(har.open(QIODevice::ReadOnly));
        const QByteArray harBytes = har.readAll();
        const auto imported = replay(harBytes, {"--har"});
        QCOMPARE(imported.exitCode, 0);
        const auto records = QJsonDocument::fromJson(imported.out).object().value("records");
        QCOMPARE(records.toArray().size(), 18);
        QCOMPARE(imported.err, "left out: 1 not pages, 2 redirect follow-ups, 0 not http(s), 0 "
                               "broken\nbodies not as sent: steps 13, 15\n");
        const auto refused = replay("{\"log\": 1}", {"--har"});
        QCOMPARE(refused.exitCode, 2);
        QVERIFY(refused.err.contains("not a HAR file"));
        // Any form takes a HAR: kept as a sequence file, that file reads as the import did.
        QTemporaryDir dir;
        const QString kept = dir.filePath("flow.waytrace.json");
        const QString script = dir.filePath("flow.sh");
        QCOMPARE(
            replay(harBytes, {"--har", "--file", kept, "--curl", script, "--passwords"}).exitCode,
            0);
        QFile scriptFile(script);
        QVERIFY(scriptFile.open(QIODevice::ReadOnly));
        QCOMPARE(scriptFile.readAll().count("\nstep "), 18);
        QFile file(kept);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto reread = QJsonDocument::fromJson(replay(file.readAll()).out);
        QCOMPARE(reread.object().value("records"), records);
    }

    void usageErrors()
    {
        QProcess process;
        process.start(QStringLiteral(WAYTRACE_REPLAY), {});
        process.waitForFinished(30000);
        QCOMPARE(process.exitCode(), 2);
        for (const QStringList& args :
             {QStringList{"/nonexistent/stream.jsonl"},
              QStringList{"--request", "--name", "n", "s.jsonl"},
              QStringList{"--upload", "--host", "h", "s.jsonl"}, QStringList{"--outcome", "a", "b"},
              QStringList{"--unknown", "s.jsonl"}}) {
            process.start(QStringLiteral(WAYTRACE_REPLAY), args);
            process.waitForFinished(30000);
            QCOMPARE(process.exitCode(), 2);
            QVERIFY(process.readAllStandardOutput().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestReplay)
#include "tst_replay.moc"
