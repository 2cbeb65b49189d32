#include "core/recording_rule.h"
#include "files/har_import.h"

#include <QTest>

using namespace waytrace;

namespace {

const QString kHelp = QStringLiteral("http://help.test/guide.html");

// A HAR around these entries, as a browser writes one; ' stands for " (moc cannot read raw
// strings that hold quotes).
QByteArray har(const QByteArray& entries)
{
    QByteArray file = "{'log': {'version': '1.2', 'creator': {'name': 't', 'version': '1'}, "
                      "'entries': [" +
                      entries + "]}}";
    return file.replace('\'', '"');
}

// A document request in Firefox's shape: no kind of Chromium's, the destination in a header.
QByteArray page(const QByteArray& url, const QByteArray& more = {}, int status = 200,
                const QByteArray& redirect = {})
{
    return "{'request': {'method': 'GET', 'url': '" + url +
           "', 'headers': [{'name': 'sec-fetch-dest', 'value': 'document'}]" + more +
           "}, 'response': {'status': " + QByteArray::number(status) +
           ", 'headers': [], 'redirectURL': '" + redirect + "'}}";
}

HarImport imported(const QByteArray& bytes)
{
    auto result = importHar(bytes, kHelp);
    if (!std::holds_alternative<HarImport>(result))
        return {};
    return std::get<HarImport>(std::move(result));
}

QStringList addresses(const HarImport& har)
{
    QStringList list;
    for (const auto& record : har.records)
        list.append(QString::fromStdU16String(record->urlAddress));
    return list;
}

} // namespace

class TestHarImport : public QObject
{
    Q_OBJECT

private slots:
    void brokenFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line"); // 0: JSON, but not a HAR
        QTest::newRow("not JSON") << QByteArray("{\n\"log\": {\n  \"entries\": [,]}}") << 3;
        QTest::newRow("nested too deep") << QByteArray(100000, '[') << 1;
        QTest::newRow("an array") << QByteArray("[]") << 0;
        QTest::newRow("no entries") << QByteArray("{\"log\": {\"entries\": {}}}") << 0;
        QTest::newRow("a sequence file")
            << QByteArray("{\"format\": \"waytrace-sequence\", \"records\": []}") << 0;
    }

    void brokenFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        const auto result = importHar(bytes, kHelp);
        QVERIFY(std::holds_alternative<SequenceFileFault>(result));
        const auto& fault = std::get<SequenceFileFault>(result);
        QCOMPARE(fault.kind,
                 line ? SequenceFileFault::Kind::NotJson : SequenceFileFault::Kind::NotSequence);
        QCOMPARE(fault.line, line);
    }

    // Entries of the wrong kind or shape are counted and passed over; the rest are imported.
    void usableEntriesAreImported()
    {
        const auto result = imported(har(
            "7, \"x\", {\"request\": \"GET\"}, {\"request\": {\"method\": \"GET\", \"url\": 5}}, " +
            page("/relative") + ", " + page("data:text/html,hi") + ", " + page(kHelp.toUtf8()) +
            ", " +
            "{'request': {'method': 'GET', 'url': 'http://a.test/logo.png', 'headers': [\n         "
            "       {'name': 'Sec-Fetch-Dest', 'value': 'image'}]}, '_resourceType': 'document'},"
            "{'request': {'method': 'GET', 'url': 'http://a.test/app.js'},\n                "
            "'_resourceType': 'script'},"
            "{'request': {'method': 'GET', 'url': 'http://a.test/old'},\n                "
            "'response': {'content': {'mimeType': 'text/html; charset=utf-8'}}}," +
            page("http://a.test/" + QByteArray(4 << 20, 'x')) + ", " +
            page("https://a.test/\xe6\x97\xa5?q=\xc3\xbc#top")));
        QCOMPARE(result.broken, 5);
        QCOMPARE(result.notWeb, 2);
        QCOMPARE(result.notPages, 2);
        QCOMPARE(addresses(result),
                 QStringList({"http://a.test/old", "http://a.test/" + QString(4 << 20, u'x'),
                              "https://a.test/%E6%97%A5?q=%C3%BC#top"}));
    }

    // A chain of redirects is one step, whether the file gives the target absolute, relative
    // or only in the Location header; a page that redirects to itself later is a new step.
    void redirectFollowUpsAreLeftOut()
    {
        const auto result =
            imported(har(page("http://a.test/login", {}, 302, "/session") + ", " +
                         "{'request': {'method': 'GET', 'url': 'http://a.test/session',\n          "
                         "      'headers': [{'name': 'Sec-Fetch-Dest', 'value': 'document'}]},\n   "
                         "             'response': {'status': 303, 'headers': [{'name': "
                         "'Location',\n                'value': 'home#x'}]}}," +
                         page("http://a.test/home") + ", " + page("http://a.test/home")));
        QCOMPARE(addresses(result), QStringList({"http://a.test/login", "http://a.test/home"}));
        QCOMPARE(result.redirectFollowUps, 2);
    }

    // Entries are read one at a time, each told to the progress, which may stop the import.
    void importCanBeStopped()
    {
        const QByteArray bytes = har(page("http://a.test/1") + ", " + page("http://a.test/2"));
        QList<qint64> told;
        const auto stopped = importHar(bytes, kHelp, [&](qint64 done, qint64 total) {
            told.append(done);
            return told.size() < 2 && total == bytes.size();
        });
        QVERIFY(std::holds_alternative<SequenceFileFault>(stopped));
        QCOMPARE(std::get<SequenceFileFault>(stopped).kind, SequenceFileFault::Kind::Cancelled);
        QCOMPARE(told.size(), 2);
        QVERIFY(told[0] < told[1] && told[1] < bytes.size());
    }

    // What each step's answer showed, from the file itself, is what a test run compares with:
    // where its redirects landed, and the page where the file holds it. A script's requests, an
    // address without a host and a type that would add header lines are no steps.
    void answersAreTheBaseline()
    {
        const auto result = imported(
            har(page("http://a.test/save", {}, 302, "http://a.test/done") + ", " +
                "{'request': {'method': 'GET', 'url': 'http://a.test/done', 'headers': []}, "
                "'response': {'status': 200, 'headers': [], 'content': {'mimeType': 'text/html', "
                "'encoding': 'base64', 'text': '" +
                QByteArray("<title>Saved &lsaquo; Blog</title><p>Settings saved.").toBase64() +
                "'}}}, " +
                "{'request': {'method': 'GET', 'url': 'http://a.test/poll', 'headers': [{'name': "
                "'X-Requested-With', 'value': 'XMLHttpRequest'}]}, 'response': {'content': "
                "{'mimeType': 'text/html'}}}, "
                "{'request': {'method': 'GET', 'url': 'http://a.test/api', 'headers': [{'name': "
                "'Accept', 'value': 'application/json, text/plain'}]}, 'response': {'content': "
                "{'mimeType': 'text/html'}}}, " +
                page("http:///nohost") + ", " +
                "{'request': {'method': 'POST', 'url': 'http://a.test/in', 'headers': [{'name': "
                "'Sec-Fetch-Dest', 'value': 'document'}, {'name': 'Content-Type', 'value': "
                "'text/plain\\r\\nCookie: injected=1'}], 'postData': {'text': 'a=1'}}}"));
        QCOMPARE(addresses(result), QStringList({"http://a.test/save"}));
        QCOMPARE(result.notPages, 2);
        QCOMPARE(result.broken, 2);
        const auto& seen = result.records[0]->seen;
        QVERIFY(seen);
        QCOMPARE(seen->status, 200);
        QCOMPARE(QString::fromStdU16String(seen->finalUrl), "http://a.test/done");
        QCOMPARE(QString::fromStdU16String(seen->title), QStringLiteral("Saved \u2039 Blog"));
    }

    void bodiesAreBytesWithTheirHeaderLine_data()
    {
        QTest::addColumn<QByteArray>("postData");
        QTest::addColumn<QByteArray>("body"); // as sent
        QTest::addColumn<QString>("headers");
        QTest::addColumn<bool>("exact");
        QTest::newRow("urlencoded")
            << QByteArray(", 'postData': {'mimeType': 'application/x-www-form-urlencoded',\n       "
                          "                      'text': 'a=100%25&b=%E6%97%A5'}")
            << QByteArray("a=100%25&b=%E6%97%A5")
            << "Content-Type: application/x-www-form-urlencoded\r\n"
            << true;
        QTest::newRow("UTF-8 text")
            << QByteArray(", 'postData': {'mimeType': 'text/plain',\n                              "
                          "                       'text': 's=Gr\\u00fc\\u00dfe\\r\\n'}")
            << QByteArray("s=Gr\xc3\xbc\xc3\x9f"
                          "e\r\n")
            << "Content-Type: text/plain\r\n"
            << true;
        QTest::newRow("bytes lost in decoding")
            << QByteArray(", 'postData': {'mimeType': 'text/plain', 'text': 't=\\ufffd\\ufffd'}")
            << QByteArray("t=\xef\xbf\xbd\xef\xbf\xbd") << "Content-Type: text/plain\r\n"
            << false;
        QTest::newRow("fields only")
            << QByteArray(
                   ", 'postData': {'mimeType':\n            'application/x-www-form-urlencoded', "
                   "'params': [{'name': 'a b', 'value': '\\u00fc'}]}")
            << QByteArray("a+b=%C3%BC") << "Content-Type: application/x-www-form-urlencoded\r\n"
            << false;
        QTest::newRow("left out") << QByteArray() << QByteArray() << QString() << false;
        QTest::newRow("multipart with a file")
            << QByteArray(
                   ", 'postData': {'mimeType': 'multipart/form-data; boundary=B',\n                "
                   "             'text': '--B\\r\\nContent-Disposition: form-data; name=\\'f\\'; "
                   "filename=\\'a.txt\\'\\r\\nContent-Type: "
                   "text/plain\\r\\n\\r\\nsecret\\r\\n--B--\\r\\n'}")
            << QByteArray(
                   "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a.txt\"\r\n"
                   "Content-Type: text/plain\r\n\r\n\r\n--B--\r\n")
            << "Content-Type: multipart/form-data; boundary=B\r\n"
            << true;
    }

    void bodiesAreBytesWithTheirHeaderLine()
    {
        QFETCH(QByteArray, postData);
        QFETCH(QByteArray, body);
        QFETCH(QString, headers);
        QFETCH(bool, exact);
        const auto result =
            imported(har(page("http://a.test/") + "," +
                         page("http://a.test/send", postData).replace("'GET'", "'POST'")));
        QCOMPARE(result.records.size(), 2u);
        const auto& record = *result.records[1];
        QCOMPARE(record.method, HttpMethod::Post);
        QCOMPARE(QByteArray::fromStdString(postDataBytes(record.postBody)), body);
        QCOMPARE(QString::fromStdU16String(record.headers), headers);
        QCOMPARE(result.inexactBodies, exact ? std::vector<int>{} : std::vector<int>{2});
    }
};

QTEST_GUILESS_MAIN(TestHarImport)
#include "tst_har_import.moc"
