#include "navigation/navigation_queue.h"
#include "navigation/reported_bodies.h"
#include "raised_requests.h"

#include <QTest>

using namespace waytrace;
using namespace std::chrono_literals;

class TestReportedBodies : public RaisedRequests
{
    Q_OBJECT

private slots:
    void init() { forget(); }

    void bodyBeforeRequestIsRaisedAtOnce()
    {
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        queueBodies.offerBody(QUrl("http://h/post#ignored"), body("a=1"));
        cancelWhen_ = QStringList{"http://h/get"};
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true));
        QVERIFY(queue.announce(&main_, QUrl("http://h/get"), false)); // blocked now
        QCOMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].body, QByteArray("a=1"));
        QCOMPARE(raised_[0].headers, QStringLiteral("Content-Type: text/plain\r\n"));
        QVERIFY(!raised_[1].post);
        QVERIFY(raised_[1].headers.isEmpty());
        QVERIFY(queue.idle());
    }

    void lateBodyHoldsLaterRequestsInOrder()
    {
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        queueBodies.setBodyWait(5s);
        cancelWhen_ = QStringList{"http://h/frame"};

        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true));
        QVERIFY(!queue.announce(&popup_, QUrl("http://h/frame"), false));
        QVERIFY(raised_.isEmpty());
        queueBodies.offerBody(QUrl("http://h/other"), body("x"));
        QVERIFY(raised_.isEmpty());

        queueBodies.offerBody(QUrl("http://h/post"), body("late"));
        QCOMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].url, QStringLiteral("http://h/post"));
        QCOMPARE(raised_[0].body, QByteArray("late"));
        QCOMPARE(raised_[1].url, QStringLiteral("http://h/frame"));
        // It could not be blocked when announced; the browser is told to stop instead.
        QCOMPARE(lateCancelled_, QList<Browser*>{&popup_});
        QVERIFY(queue.idle());
    }

    void bodyThatNeverComesEndsTheWaitWithAnEmptyPost()
    {
        // Held while the wait lasts, events delivered or not. The wait is long enough that a
        // loaded machine cannot end it between two statements.
        ReportedBodies holdingBodies(*this);
        NavigationQueue holding(*this);
        holding.setSeparateBodies(&holdingBodies);
        holdingBodies.setBodyWait(30s);
        QVERIFY(!holding.announce(&main_, QUrl("http://h/post"), true));
        QVERIFY(!holding.announce(&main_, QUrl("http://h/next"), false));
        QCoreApplication::processEvents();
        QVERIFY(raised_.isEmpty());
        QVERIFY(!holding.idle());

        ReportedBodies queueBodies(*this);

        NavigationQueue queue(*this);

        queue.setSeparateBodies(&queueBodies);
        queueBodies.setBodyWait(50ms);
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true));
        queue.announce(&main_, QUrl("http://h/next"), false);
        QTRY_COMPARE(raised_.size(), 2);
        QVERIFY(raised_[0].post && raised_[0].body.isEmpty());
        QVERIFY(raised_[0].headers.isEmpty());
        QCOMPARE(raised_[1].url, QStringLiteral("http://h/next"));
    }

    void newerBodyForTheSameAddressReplacesAnUnclaimedOne()
    {
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        queueBodies.offerBody(QUrl("http://h/post"), body("script's own FormData"));
        queueBodies.offerBody(QUrl("http://h/post"), body("submitted"));
        queue.announce(&main_, QUrl("http://h/post"), true);
        queueBodies.setBodyWait(10ms);
        queue.announce(&main_, QUrl("http://h/post"), true); // nothing left for this one
        QTRY_COMPARE(raised_.size(), 2);
        QCOMPARE(raised_[0].body, QByteArray("submitted"));
        QVERIFY(raised_[1].post && raised_[1].body.isEmpty());
    }

    // Announced submissions to one address wait their turn; a decoy before them goes, and a
    // later word on a submission replaces the newest.
    void announcedBodiesTakeTheirTurn()
    {
        using Offer = SeparateBodies::Offer;
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        const QUrl post("http://h/post");
        queueBodies.offerBody(post, body("decoy"));
        queueBodies.offerBody(post, body("save 1"), {}, Offer::InTurn);
        queueBodies.offerBody(post, body("save 2"), {}, Offer::InTurn);
        queueBodies.offerBody(post, body("save 3"), {}, Offer::InTurn);
        queueBodies.offerBody(post, body("save 3, told again"));
        for (int i = 0; i < 3; ++i)
            queue.announce(&main_, post, true);
        QCOMPARE(raised_.size(), 3);
        QCOMPARE(raised_[0].body, QByteArray("save 1"));
        QCOMPARE(raised_[1].body, QByteArray("save 2"));
        QCOMPARE(raised_[2].body, QByteArray("save 3, told again"));

        // Entries rebuilt where a navigation landed stand in for an unannounced body only.
        queueBodies.offerBody(post, body("decoy"));
        queueBodies.offerBody(post, body("rebuilt"), {}, Offer::Rebuilt);
        queueBodies.offerBody(post, body("announced"), {}, Offer::InTurn);
        queueBodies.offerBody(post, body("rebuilt with another form's enctype"), {},
                              Offer::Rebuilt);
        queue.announce(&main_, post, true);
        QCOMPARE(raised_.last().body, QByteArray("announced"));
        queueBodies.offerBody(post, body("decoy"));
        queueBodies.offerBody(post, body("rebuilt"), {}, Offer::Rebuilt);
        queue.announce(&main_, post, true);
        QCOMPARE(raised_.last().body, QByteArray("rebuilt"));
    }

    void theEnginesOwnBodyGoesWithItsRequest()
    {
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        queueBodies.setBodyWait(5s);
        queueBodies.offerBody(QUrl("http://h/post"), body("forged"));
        QVERIFY(!queue.announce(&main_, QUrl("http://h/other"), true)); // waits for its body
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true, body("sent")));
        QVERIFY(raised_.isEmpty());
        queueBodies.offerBody(QUrl("http://h/other"), body("other"));
        QCOMPARE(raised_.size(), 2);
        QCOMPARE(raised_[1].body, QByteArray("sent"));
        QVERIFY(!queue.announce(&main_, QUrl("http://h/post"), true, body("")));
        QVERIFY(raised_.last().post && raised_.last().body.isEmpty());
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
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        queueBodies.setBodyWait(5s);
        queueBodies.offerBody(post, body("decoy"), page);
        QVERIFY(!told(queue));
        queueBodies.offerBody(post, body("decoy 2"), page);
        QVERIFY(raised_.isEmpty());
        queueBodies.tellBody(&main_, post, QStringLiteral("1"), body("sent"));
        queueBodies.tellBody(&main_, post, QStringLiteral("2"), body("dropped"));
        queueBodies.retractBody(&main_, QStringLiteral("2"));
        queueBodies.tellBody(&main_, post, QStringLiteral("3"), body("sent 3"));
        told(queue);
        queueBodies.offerBody(post, body("sent 3"), page); // the page's report of it, late
        const FormBody multipart{"--b\r\n\r\n--b--\r\n",
                                 QStringLiteral("Content-Type: multipart/form-data; boundary=b")};
        queueBodies.offerBody(post, multipart, page);
        queueBodies.tellBody(&main_, post, QStringLiteral("4"), std::nullopt);
        told(queue);
        QCOMPARE(raised_.size(), 3);
        QCOMPARE(raised_[0].body, QByteArray("sent"));
        QCOMPARE(raised_[1].body, QByteArray("sent 3"));
        QCOMPARE(raised_[2].body, multipart.postData);

        // The application's own request carries its body; the engine's word on it is an echo.
        ReportedBodies ownBodies(*this);
        NavigationQueue own(*this);
        own.setSeparateBodies(&ownBodies);
        ownBodies.setBodyWait(5s);
        ownBodies.offerBody(post, body("own"));
        own.announce(&main_, post, true, std::nullopt, {}, true);
        ownBodies.tellBody(&main_, post, QStringLiteral("5"), body("own"));
        QVERIFY(!told(own));
        QCOMPARE(raised_.size(), 4);
        // A page's load is told after the request that loaded it.
        qsizetype toldAt = -1;
        own.whenRaised(&popup_, [] {});
        own.whenRaised(&main_, [&] { toldAt = raised_.size(); });
        QCOMPARE(toldAt, -1);
        ownBodies.tellBody(&main_, post, QStringLiteral("6"), body("next"));
        QCOMPARE(raised_.last().body, QByteArray("next"));
        QCOMPARE(toldAt, raised_.size());
        own.whenRaised(&main_, [&] { toldAt = 0; });
        QCOMPARE(toldAt, 0);

        // A frame's request is a page's even where the engine names no origin (a sandboxed
        // frame's): it waits for the word, never takes the application's own body.
        own.announce(&main_, post, true, std::nullopt, {}, true, true);
        ownBodies.offerBody(post, body("frame's report"));
        QCOMPARE(raised_.size(), 5);
        ownBodies.tellBody(&main_, post, QStringLiteral("7"), body("frame's"));
        QCOMPARE(raised_.last().body, QByteArray("frame's"));
        QVERIFY(!raised_.last().bodyUnconfirmed);
    }

    // A word that comes after its request had to go with a stand-in (the engine was busy with a
    // big upload) is still that request's, in the engine's order: two saves to one address each
    // get their own body, however the page's reports misled the stand-ins.
    void lateWordsCorrectTheirRequestsInOrder()
    {
        const QUrl post("http://h/save");
        const QUrl page("http://h");
        ReportedBodies queueBodies(*this);
        NavigationQueue queue(*this);
        queue.setSeparateBodies(&queueBodies);
        queueBodies.setBodyWait(10ms);
        queueBodies.offerBody(post, body("decoy"), page);
        queue.announce(&main_, post, true, std::nullopt, page, true);
        queue.announce(&main_, post, true, std::nullopt, page, true);
        QTRY_COMPARE_WITH_TIMEOUT(raised_.size(), 2, 10000);
        QVERIFY(queue.wordsDue());
        QCOMPARE(raised_[0].body, QByteArray("decoy"));
        QVERIFY(raised_[1].post && raised_[1].body.isEmpty());
        QVERIFY(raised_[0].bodyUnconfirmed && raised_[1].bodyUnconfirmed);
        QVERIFY(raised_[0].id != 0 && raised_[1].id != raised_[0].id);

        bool settled = false;
        queue.whenWordsSettled([&] { settled = true; });
        queueBodies.tellBody(&main_, post, QStringLiteral("1"), body("first"));
        queueBodies.tellBody(&popup_, post, QStringLiteral("2"), body("another browser's"));
        QVERIFY(!settled);
        queueBodies.tellBody(&main_, post, QStringLiteral("3"), body("second"));
        QVERIFY(!queue.wordsDue());
        QVERIFY(settled);
        QCOMPARE(confirmed_.size(), 2);
        QCOMPARE(confirmed_[0].id, raised_[0].id);
        QCOMPARE(confirmed_[0].body, QByteArray("first"));
        QCOMPARE(confirmed_[1].id, raised_[1].id);
        QCOMPARE(confirmed_[1].body, QByteArray("second"));
        // The other browser's word waits for its own request.
        queue.announce(&popup_, post, true, std::nullopt, page, true);
        QCOMPARE(raised_.last().body, QByteArray("another browser's"));
        QVERIFY(!raised_.last().bodyUnconfirmed);
    }
};

QTEST_GUILESS_MAIN(TestReportedBodies)
#include "tst_reported_bodies.moc"
