#include "navigation/navigation_queue.h"
#include "raised_requests.h"

#include <QTest>

using namespace waytrace;

class TestNavigationQueue : public RaisedRequests
{
    Q_OBJECT

private slots:
    void init() { forget(); }

    // Where the engine hands each request's body over, nothing waits: bodies go with their
    // requests in the engine's order, and a page's load is told after the request that loaded it.
    void bodiesHandedOverGoWithTheirRequests()
    {
        NavigationQueue queue(*this);
        cancelWhen_ = QStringList{"http://h/get"};
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true, body("sent")));
        QVERIFY(queue.announce(&main_, QUrl("http://h/get"), false));
        QVERIFY(!queue.announce(&popup_, QUrl("http://h/post"), true));
        QCOMPARE(raised_.size(), 3);
        QCOMPARE(raised_[0].url, QStringLiteral("http://h/post"));
        QCOMPARE(raised_[0].body, QByteArray("sent"));
        QCOMPARE(raised_[0].headers, QStringLiteral("Content-Type: text/plain\r\n"));
        QVERIFY(!raised_[1].post);
        QVERIFY(raised_[2].post && raised_[2].body.isEmpty()); // none came: still a POST
        QVERIFY(queue.idle());
        QVERIFY(!queue.wordsDue());
        int ran = 0;
        queue.whenRaised(&main_, [&] { ++ran; });
        queue.whenWordsSettled([&] { ++ran; });
        QCOMPARE(ran, 2);
    }

    void sentMultipartKeepsAllButFileContents()
    {
        const QByteArray sent =
            "--B\r\n"
            "Content-Disposition: form-data; name=\"t; filename=%22x%22\"\r\n\r\n"
            "a\r\nb\r\n"
            "--B\r\n"
            "Content-Disposition: form-data; name=\"f\"; filename=\"x.bin\"\r\n"
            "Content-Type: image/png\r\n\r\n"
            "\x89PNG\r\n\r\n\r\n"
            "--B--\r\n";
        const auto kept = sentBody(sent, "multipart/form-data; boundary=\"B\"");
        QCOMPARE(kept.headers,
                 QStringLiteral("Content-Type: multipart/form-data; boundary=\"B\"\r\n"));
        QCOMPARE(kept.postData,
                 QByteArray("--B\r\n"
                            "Content-Disposition: form-data; name=\"t; filename=%22x%22\"\r\n\r\n"
                            "a\r\nb\r\n"
                            "--B\r\n"
                            "Content-Disposition: form-data; name=\"f\"; filename=\"x.bin\"\r\n"
                            "Content-Type: image/png\r\n\r\n"
                            "\r\n--B--\r\n"));
        const QByteArray plain = "q=%93%FA&t=a%0D%0Ab";
        QCOMPARE(sentBody(plain, "application/x-www-form-urlencoded").postData, plain);
        QCOMPARE(sentBody("--B\r\ncut", "multipart/form-data; boundary=B").postData,
                 QByteArray("--B\r\ncut"));
    }

    void serializesLikeTheEngine()
    {
        const QList<FormEntry> entries{
            {"na\"me\n", "a b+c&d=%\xC3\xA9\r\n\rx\ny", false, {}},
            {"file", "r\xC3\xA9sum\xC3\xA9.txt", true, {}},
        };
        auto encoded = serializeForm(entries, FormEncoding::UrlEncoded);
        QCOMPARE(encoded.postData,
                 QByteArray("na%22me%0D%0A=a+b%2Bc%26d%3D%25%C3%A9%0D%0A%0D%0Ax%0D%0Ay"
                            "&file=r%C3%A9sum%C3%A9.txt"));
        encoded = serializeForm(entries, FormEncoding::TextPlain);
        QCOMPARE(encoded.postData, QByteArray("na\"me\r\n=a b+c&d=%\xC3\xA9\r\n\r\nx\r\ny\r\n"
                                              "file=r\xC3\xA9sum\xC3\xA9.txt\r\n"));
        encoded = serializeForm(entries, FormEncoding::Multipart, "BOUNDARY");
        QCOMPARE(encoded.headers,
                 QStringLiteral("Content-Type: multipart/form-data; boundary=BOUNDARY\r\n"));
        QCOMPARE(encoded.postData,
                 QByteArray("--BOUNDARY\r\n"
                            "Content-Disposition: form-data; name=\"na%22me%0D%0A\"\r\n\r\n"
                            "a b+c&d=%\xC3\xA9\r\n\r\nx\r\ny\r\n"
                            "--BOUNDARY\r\n"
                            "Content-Disposition: form-data; name=\"file\"; "
                            "filename=\"r\xC3\xA9sum\xC3\xA9.txt\"\r\n"
                            "Content-Type: application/octet-stream\r\n\r\n\r\n"
                            "--BOUNDARY--\r\n"));
        QCOMPARE(formEncoding(QStringLiteral("MULTIPART/FORM-DATA")), FormEncoding::Multipart);
        QCOMPARE(formEncoding(QStringLiteral("bogus")), FormEncoding::UrlEncoded);
        QVERIFY(newMultipartBoundary() != newMultipartBoundary());
    }
};

QTEST_GUILESS_MAIN(TestNavigationQueue)
#include "tst_navigation_queue.moc"
