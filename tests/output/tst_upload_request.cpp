#include "output/sequence_document.h"
#include "output/upload_outcome.h"
#include "output/upload_request.h"

#include <QTest>

using namespace waytrace;

namespace {

UploadFields dialogDefaults()
{
    return {u"Shop check", u"5", u"localhost", u"9090", u"admin", u"admin"};
}

QByteArray body(const UploadRequest& request)
{
    return QByteArray(reinterpret_cast<const char*>(request.body.data()),
                      static_cast<qsizetype>(request.body.size()));
}

constexpr ProgramVersion kVersion{6, 0, 3};

} // namespace

class TestUploadRequest : public QObject
{
    Q_OBJECT

private slots:
    void addressHeadersAndBodyInOrder()
    {
        const auto request = composeUploadRequest(u"<a x=\"1\">\r", dialogDefaults(), kVersion);
        QCOMPARE(
            QString::fromStdU16String(request.address),
            QStringLiteral("http://localhost:9090/createurlsequence.do?actionmethod=createUrlSeq"));
        QCOMPARE(QString::fromStdU16String(request.headers),
                 QStringLiteral("Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
                                "accept-charset:UTF-8,*\r\n"));
        QCOMPARE(body(request), QByteArray("version=6.0.3&username=admin&password=admin"
                                           "&transactionname=Shop check&pollinterval=5"
                                           "&seqinfo=<a x=\"1\">\r"));
    }

    void hostAndPortAreTakenAsTyped()
    {
        auto fields = dialogDefaults();
        fields.host = u" my host";
        fields.port = u"80a";
        QCOMPARE(composeUploadRequest(u"", fields, kVersion).address,
                 u"http:// my host:80a/createurlsequence.do?actionmethod=createUrlSeq");
    }

    void everyDialogValueIsFormEscaped()
    {
        QCOMPARE(escapeFormField(u"a+b%&c"), u"a%2Bb%25%26c");
        QCOMPARE(escapeFormField(u"%2B"), u"%252B");
        auto fields = dialogDefaults();
        fields.user = u"a+b%&c";
        fields.password = u"p&w=1";
        fields.name = u"Tom & Jerry+";
        fields.interval = u"5%";
        const auto text = body(composeUploadRequest(u"", fields, kVersion));
        QCOMPARE(text, QByteArray("version=6.0.3&username=a%2Bb%25%26c&password=p%26w=1"
                                  "&transactionname=Tom %26 Jerry%2B&pollinterval=5%25&seqinfo="));
        QCOMPARE(fields.user, u"a+b%&c"); // what the dialog shows is untouched
    }

    void documentKeepsItsPercentAndEscapesPlusAndAmpersand()
    {
        const auto text = body(composeUploadRequest(
            u"<Url address=\"http://h/a.do?x=1&amp;y=%2520+\">\r", dialogDefaults(), kVersion));
        QVERIFY(text.endsWith("&seqinfo=<Url address=\"http://h/a.do?x=1%26amp;y=%2520%2B\">\r"));
    }

    void nonAsciiLeavesAsUtf8()
    {
        auto fields = dialogDefaults();
        fields.name = u"\u65E5\u672C";
        const auto text = body(composeUploadRequest(u"\u00E9", fields, kVersion));
        QVERIFY(text.contains("transactionname=\xE6\x97\xA5\xE6\x9C\xAC&"));
        QVERIFY(text.endsWith("seqinfo=\xC3\xA9"));
    }

    // Written a piece at a time, a long sequence's body is the one its whole document gives;
    // a surrogate pair and "+&" land on the pieces' seams somewhere among the records.
    void aSequenceIsEncodedAsItsWholeDocument()
    {
        RecordedSequence sequence;
        for (int i = 0; i < 400; ++i) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = u"http://shop.example/item?id=" + std::u16string(i % 97, u'x');
            record->method = HttpMethod::Post;
            record->postBody = u"note=a+b&c\U0001F600%25" + std::u16string(i % 13, u'\u3042');
            sequence.append(record);
        }
        QCOMPARE(body(composeUploadRequest(sequence, dialogDefaults(), kVersion)),
                 body(composeUploadRequest(buildSequenceDocument(sequence), dialogDefaults(),
                                           kVersion)));
    }

    void outcomeFollowsTheFirstMatchingRow_data()
    {
        QTest::addColumn<QString>("landing");
        QTest::addColumn<QString>("eventAddress");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("message"); // 0: none
        QTest::addColumn<bool>("clear");
        const QString tail = "/createurlsequence.do?actionmethod=createUrlSeq";
        QTest::newRow("created") << "http://localhost:9090" + tail << "x"
                                 << "9090" << 138 << true;
        QTest::newRow("other host, same port") << "http://example.test:9090" + tail << "x"
                                               << "9090" << 138 << true;
        QTest::newRow("other port") << "http://localhost:9091" + tail << "x"
                                    << "9090" << 154 << false;
        QTest::newRow("upper-case scheme") << "HTTP://localhost:9090" + tail << "x"
                                           << "9090" << 154 << false;
        QTest::newRow("other page") << "http://localhost:9090/login.html"
                                    << "http://localhost:9090/login.html"
                                    << "9090" << 154 << false;
        QTest::newRow("version") << "res://waytrace/http_400.htm#x"
                                 << "x"
                                 << "9090" << 139 << false;
        QTest::newRow("login or limit")
            << "res://x/http_404.htm#http://localhost:9090" + tail << "x"
            << "9090" << 140 << false;
        QTest::newRow("both error names") << "res://x/http_400.htm#http_404.htm"
                                          << "x"
                                          << "9090" << 139 << false;
        QTest::newRow("unreachable") << "res://x/dnserror.htm#http://localhost:9090/"
                                     << "x"
                                     << "9090" << 141 << false;
        QTest::newRow("unreachable, empty host event")
            << "res://x/dnserror.htm#http://localhost:9090/"
            << "http:///"
            << "9090" << 0 << false;
        QTest::newRow("server error") << "res://waytrace/http_500.htm#x"
                                      << "x"
                                      << "9090" << 154 << false;
        QTest::newRow("redirect elsewhere") << "res://waytrace/http_302.htm#x"
                                            << "x"
                                            << "9090" << 154 << false;
        QTest::newRow("server error, empty host event") << "res://waytrace/http_500.htm#x"
                                                        << "http:///"
                                                        << "9090" << 0 << false;
        QTest::newRow("empty") << ""
                               << ""
                               << "" << 154 << false;
    }

    void outcomeFollowsTheFirstMatchingRow()
    {
        QFETCH(QString, landing);
        QFETCH(QString, eventAddress);
        QFETCH(QString, port);
        QFETCH(int, message);
        QFETCH(bool, clear);
        const auto outcome = classifyUploadOutcome(
            landing.toStdU16String(), eventAddress.toStdU16String(), port.toStdU16String());
        QCOMPARE(outcome.message.value_or(0), message);
        QCOMPARE(outcome.clearSequence, clear);
    }
};

QTEST_APPLESS_MAIN(TestUploadRequest)
#include "tst_upload_request.moc"
