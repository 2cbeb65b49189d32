#include "browser/scripted_browser.h"
#include "navigation/form_body.h"
#include "navigation/navigation_queue.h"

#include <QTest>

using namespace waytrace;
using namespace std::chrono_literals;

namespace {

struct Raised
{
    QString url;
    QByteArray postData;
    QString headers;
    quint64 id = 0;
    bool bodyUnconfirmed = false;
};

FormBody body(const QByteArray& bytes)
{
    return {bytes + '\0', QStringLiteral("Content-Type: text/plain\r\n")};
}

} // namespace

class TestNavigationQueue : public QObject
{
    Q_OBJECT

    ScriptedBrowser main_;
    ScriptedBrowser popup_;
    QList<Raised> raised_;
    QList<Raised> confirmed_;
    QStringList cancelWhen_;

    void listen(Browser& browser)
    {
        connect(&browser, &Browser::beforeNavigate2, this, [this](NavigationRequest& request) {
            raised_.append({request.url(), request.postData(), request.headers(), request.id(),
                            request.bodyUnconfirmed()});
            if (cancelWhen_.contains(request.url()))
                request.cancel();
        });
        connect(&browser, &Browser::requestBodyConfirmed, this,
                [this](const NavigationRequest& request) {
                    confirmed_.append(
                        {request.url(), request.postData(), request.headers(), request.id()});
                });
    }

private slots:
    void initTestCase()
    {
        listen(main_);
        listen(popup_);
    }

    void init()
    {
        raised_.clear();
        confirmed_.clear();
        cancelWhen_.clear();
    }

    void bodyBeforeRequestIsRaisedAtOnce()
    {
        NavigationQueue queue;
        queue.offerBody(QUrl("http://h/post#ignored"), body("a=1"));
        cancelWhen_ = QStringList{"http://h/get"};
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true));
        QVERIFY(queue.announce(&main_, QUrl("http://h/get"), false)); // blocked now
        QCOMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].postData, QByteArray("a=1") + '\0');
        QCOMPARE(raised_[0].headers, QStringLiteral("Content-Type: text/plain\r\n"));
        QVERIFY(raised_[1].postData.isEmpty());
        QVERIFY(raised_[1].headers.isEmpty());
        QVERIFY(queue.idle());
    }

    void lateBodyHoldsLaterRequestsInOrder()
    {
        NavigationQueue queue;
        queue.setBodyWait(5s);
        Browser* lateCancelled = nullptr;
        queue.setLateCancel([&](Browser* browser) { lateCancelled = browser; });
        cancelWhen_ = QStringList{"http://h/frame"};

        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true));
        QVERIFY(!queue.announce(&popup_, QUrl("http://h/frame"), false));
        QVERIFY(raised_.isEmpty());
        queue.offerBody(QUrl("http://h/other"), body("x"));
        QVERIFY(raised_.isEmpty());

        queue.offerBody(QUrl("http://h/post"), body("late"));
        QCOMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].url, QStringLiteral("http://h/post"));
        QCOMPARE(raised_[0].postData, QByteArray("late") + '\0');
        QCOMPARE(raised_[1].url, QStringLiteral("http://h/frame"));
        // It could not be blocked when announced; the browser is told to stop instead.
        QCOMPARE(lateCancelled, &popup_);
        QVERIFY(queue.idle());
    }

    void bodyThatNeverComesEndsTheWaitWithAnEmptyPost()
    {
        // Held while the wait lasts, events delivered or not. The wait is long enough that a
        // loaded machine cannot end it between two statements.
        NavigationQueue holding;
        holding.setBodyWait(30s);
        QVERIFY(!holding.announce(&main_, QUrl("http://h/post"), true));
        QVERIFY(!holding.announce(&main_, QUrl("http://h/next"), false));
        QCoreApplication::processEvents();
        QVERIFY(raised_.isEmpty());
        QVERIFY(!holding.idle());

        NavigationQueue queue;
        queue.setBodyWait(50ms);
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true));
        queue.announce(&main_, QUrl("http://h/next"), false);
        QTRY_COMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].postData, QByteArray(1, '\0'));
        QVERIFY(raised_[0].headers.isEmpty());
        QCOMPARE(raised_[1].url, QStringLiteral("http://h/next"));
    }

    void newerBodyForTheSameAddressReplacesAnUnclaimedOne()
    {
        NavigationQueue queue;
        queue.offerBody(QUrl("http://h/post"), body("script's own FormData"));
        queue.offerBody(QUrl("http://h/post"), body("submitted"));
        queue.announce(&main_, QUrl("http://h/post"), true);
        queue.setBodyWait(10ms);
        queue.announce(&main_, QUrl("http://h/post"), true); // nothing left for this one
        QTRY_COMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].postData, QByteArray("submitted") + '\0');
        QCOMPARE(raised_[1].postData, QByteArray(1, '\0'));
    }

    // Announced submissions to one address wait their turn; a decoy before them goes, and a
    // later word on a submission replaces the newest.
    void announcedBodiesTakeTheirTurn()
    {
        using Offer = NavigationQueue::Offer;
        NavigationQueue queue;
        const QUrl post("http://h/post");
        queue.offerBody(post, body("decoy"));
        queue.offerBody(post, body("save 1"), {}, Offer::InTurn);
        queue.offerBody(post, body("save 2"), {}, Offer::InTurn);
        queue.offerBody(post, body("save 3"), {}, Offer::InTurn);
        queue.offerBody(post, body("save 3, told again"));
        for (int i = 0; i < 3; ++i)
            queue.announce(&main_, post, true);
        QCOMPARE(raised_.size(), 3);
        QCOMPARE(raised_[0].postData, QByteArray("save 1") + '\0');
        QCOMPARE(raised_[1].postData, QByteArray("save 2") + '\0');
        QCOMPARE(raised_[2].postData, QByteArray("save 3, told again") + '\0');

        // Entries rebuilt where a navigation landed stand in for an unannounced body only.
        queue.offerBody(post, body("decoy"));
        queue.offerBody(post, body("rebuilt"), {}, Offer::Rebuilt);
        queue.offerBody(post, body("announced"), {}, Offer::InTurn);
        queue.offerBody(post, body("rebuilt with another form's enctype"), {}, Offer::Rebuilt);
        queue.announce(&main_, post, true);
        QCOMPARE(raised_.last().postData, QByteArray("announced") + '\0');
        queue.offerBody(post, body("decoy"));
        queue.offerBody(post, body("rebuilt"), {}, Offer::Rebuilt);
        queue.announce(&main_, post, true);
        QCOMPARE(raised_.last().postData, QByteArray("rebuilt") + '\0');
    }

    void theEnginesOwnBodyGoesWithItsRequest()
    {
        NavigationQueue queue;
        queue.setBodyWait(5s);
        queue.offerBody(QUrl("http://h/post"), body("forged"));
        QVERIFY(!queue.announce(&main_, QUrl("http://h/other"), true)); // waits for its body
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true, body("sent")));
        QVERIFY(raised_.isEmpty());
        queue.offerBody(QUrl("http://h/other"), body("other"));
        QCOMPARE(raised_.size(), 2);
        QCOMPARE(raised_[1].postData, QByteArray("sent") + '\0');
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true, body("")));
        QCOMPARE(raised_.last().postData, QByteArray(1, '\0'));
    }

    // Where the engine tells bodies apart from their requests (before or after them), a page's
    // report never replaces its word but stands in for a word without a body (a file), and
    // repeats of a body already raised are nobody else's.
    void theEnginesWordBeatsThePagesReports()
    {
        const QUrl post("http://h/post");
        const QUrl page("http://h");
        const auto told = [&](NavigationQueue& queue) {
            return queue.announce(&main_, post, true, std::nullopt, page, true);
        };
        NavigationQueue queue;
        queue.setBodyWait(5s);
        queue.offerBody(post, body("decoy"), page);
        QVERIFY(!told(queue));
        queue.offerBody(post, body("decoy 2"), page);
        QVERIFY(raised_.isEmpty());
        queue.tellBody(&main_, post, QStringLiteral("1"), body("sent"));
        queue.tellBody(&main_, post, QStringLiteral("2"), body("dropped"));
        queue.retractBody(&main_, QStringLiteral("2"));
        queue.tellBody(&main_, post, QStringLiteral("3"), body("sent 3"));
        told(queue);
        queue.offerBody(post, body("sent 3"), page); // the page's report of it, late
        const FormBody multipart{"--b\r\n\r\n--b--\r\n" + QByteArray(1, '\0'),
                                 QStringLiteral("Content-Type: multipart/form-data; boundary=b")};
        queue.offerBody(post, multipart, page);
        queue.tellBody(&main_, post, QStringLiteral("4"), std::nullopt);
        told(queue);
        QCOMPARE(raised_.size(), 3);
        QCOMPARE(raised_[0].postData, QByteArray("sent") + '\0');
        QCOMPARE(raised_[1].postData, QByteArray("sent 3") + '\0');
        QCOMPARE(raised_[2].postData, multipart.postData);

        // The application's own request carries its body; the engine's word on it is an echo.
        NavigationQueue own;
        own.setBodyWait(5s);
        own.offerBody(post, body("own"));
        own.announce(&main_, post, true, std::nullopt, {}, true);
        own.tellBody(&main_, post, QStringLiteral("5"), body("own"));
        QVERIFY(!told(own));
        QCOMPARE(raised_.size(), 4);
        // A page's load is told after the request that loaded it.
        qsizetype toldAt = -1;
        own.whenRaised(&popup_, [] {});
        own.whenRaised(&main_, [&] { toldAt = raised_.size(); });
        QCOMPARE(toldAt, -1);
        own.tellBody(&main_, post, QStringLiteral("6"), body("next"));
        QCOMPARE(raised_.last().postData, QByteArray("next") + '\0');
        QCOMPARE(toldAt, raised_.size());
        own.whenRaised(&main_, [&] { toldAt = 0; });
        QCOMPARE(toldAt, 0);
    }

    // A word that comes after its request had to go with a stand-in (the engine was busy with a
    // big upload) is still that request's, in the engine's order: two saves to one address each
    // get their own body, however the page's reports misled the stand-ins.
    void lateWordsCorrectTheirRequestsInOrder()
    {
        const QUrl post("http://h/save");
        const QUrl page("http://h");
        NavigationQueue queue;
        queue.setBodyWait(10ms);
        queue.offerBody(post, body("decoy"), page);
        queue.announce(&main_, post, true, std::nullopt, page, true);
        queue.announce(&main_, post, true, std::nullopt, page, true);
        QTRY_COMPARE_WITH_TIMEOUT(raised_.size(), 2, 10000);
        QVERIFY(queue.wordsDue());
        QCOMPARE(raised_[0].postData, QByteArray("decoy") + '\0');
        QCOMPARE(raised_[1].postData, QByteArray(1, '\0'));
        QVERIFY(raised_[0].bodyUnconfirmed && raised_[1].bodyUnconfirmed);
        QVERIFY(raised_[0].id != 0 && raised_[1].id != raised_[0].id);

        bool settled = false;
        queue.whenWordsSettled([&] { settled = true; });
        queue.tellBody(&main_, post, QStringLiteral("1"), body("first"));
        queue.tellBody(&popup_, post, QStringLiteral("2"), body("another browser's"));
        QVERIFY(!settled);
        queue.tellBody(&main_, post, QStringLiteral("3"), body("second"));
        QVERIFY(!queue.wordsDue());
        QVERIFY(settled);
        QCOMPARE(confirmed_.size(), 2);
        QCOMPARE(confirmed_[0].id, raised_[0].id);
        QCOMPARE(confirmed_[0].postData, QByteArray("first") + '\0');
        QCOMPARE(confirmed_[1].id, raised_[1].id);
        QCOMPARE(confirmed_[1].postData, QByteArray("second") + '\0');
        // The other browser's word waits for its own request.
        queue.announce(&popup_, post, true, std::nullopt, page, true);
        QCOMPARE(raised_.last().postData, QByteArray("another browser's") + '\0');
        QVERIFY(!raised_.last().bodyUnconfirmed);
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
                            "\r\n--B--\r\n") +
                     '\0');
        const QByteArray plain = "q=%93%FA&t=a%0D%0Ab";
        QCOMPARE(sentBody(plain, "application/x-www-form-urlencoded").postData, plain + '\0');
        QCOMPARE(sentBody("--B\r\ncut", "multipart/form-data; boundary=B").postData,
                 QByteArray("--B\r\ncut") + '\0');
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
                            "&file=r%C3%A9sum%C3%A9.txt") +
                     '\0');
        encoded = serializeForm(entries, FormEncoding::TextPlain);
        QCOMPARE(encoded.postData, QByteArray("na\"me\r\n=a b+c&d=%\xC3\xA9\r\n\r\nx\r\ny\r\n"
                                              "file=r\xC3\xA9sum\xC3\xA9.txt\r\n") +
                                       '\0');
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
                            "--BOUNDARY--\r\n") +
                     '\0');
        QCOMPARE(formEncoding(QStringLiteral("MULTIPART/FORM-DATA")), FormEncoding::Multipart);
        QCOMPARE(formEncoding(QStringLiteral("bogus")), FormEncoding::UrlEncoded);
        QVERIFY(newMultipartBoundary() != newMultipartBoundary());
    }
};

QTEST_GUILESS_MAIN(TestNavigationQueue)
#include "tst_navigation_queue.moc"
