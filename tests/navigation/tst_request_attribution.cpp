#include "browser/scripted_browser.h"
#include "navigation/request_attribution.h"

#include <QTest>

#include <memory>

using namespace waytrace;

// Whose request the interceptor sees, and which requests are a server's redirects, decided
// from the pages' announcements alone; the engine tests check the same against real pages.
class TestRequestAttribution : public QObject
{
    Q_OBJECT

    qint64 now_ = 1000;
    ScriptedBrowser main_;
    ScriptedBrowser popup_;
    std::unique_ptr<RequestAttribution> attribution_;

    static QUrl url(const char* path) { return QUrl(QStringLiteral("http://127.0.0.1/") + path); }

private slots:
    void init()
    {
        now_ = 1000;
        attribution_ = std::make_unique<RequestAttribution>([this] { return now_; });
        attribution_->addBrowser(&main_);
        attribution_->addBrowser(&popup_);
    }

    void requestsGoToTheBrowserThatAnnouncedThem()
    {
        auto& a = *attribution_;
        a.expectRequest(&popup_, url("a#top"), true);
        a.expectRequest(&main_, url("b"));
        // The fragment never reaches the engine's request.
        const auto first = a.takeRequest(url("a"), true);
        QCOMPARE(first.browser, &popup_);
        QVERIFY(first.toldRedirect);
        QCOMPARE(a.takeRequest(url("b"), false).browser, &main_);
        // Taken once; an unannounced request is the first browser's.
        QCOMPARE(a.takeRequest(url("a"), true).browser, &main_);

        // A new window's first request may come before its page announces it; frames do not
        // count as that first request.
        a.expectNewWindow(&popup_);
        QCOMPARE(a.takeRequest(url("c"), false).browser, &main_);
        QCOMPARE(a.takeRequest(url("c"), true).browser, &popup_);
        QCOMPARE(a.takeRequest(url("d"), true).browser, &main_);

        // An announcement is good for ten seconds (the next one drops older ones), and none of
        // a browser that is gone.
        a.expectRequest(&popup_, url("late"));
        now_ += 10001;
        a.expectRequest(&popup_, url("next"));
        QCOMPARE(a.takeRequest(url("late"), true).browser, &main_);
        {
            ScriptedBrowser closed;
            a.expectRequest(&closed, url("closed"));
        }
        QCOMPARE(a.takeRequest(url("closed"), true).browser, &main_);
    }

    void serverRedirectsAreToldApartFromClientRedirects()
    {
        auto& a = *attribution_;
        const RequestAttribution::Source told{&main_, true};
        const RequestAttribution::Source untold{&main_, false};
        // A request the page was not told of as a redirect is the page's own.
        a.topRequestSent(&main_);
        QVERIFY(!a.isServerRedirect(untold, url("x"), true, true));
        // Told as a redirect, but not typed one by the interceptor: a server's.
        QVERIFY(a.isServerRedirect(told, url("x"), true, false));
        // Typed a redirect in the top frame: a server's only before the document of the request
        // it follows exists, and only for the browser that sent it.
        QVERIFY(a.isServerRedirect(told, url("x"), true, true));
        QVERIFY(!a.isServerRedirect({&popup_, true}, url("x"), true, true));
        a.topRequestEnded(&main_);
        QVERIFY(!a.isServerRedirect(told, url("x"), true, true));

        // In a frame: one the frame's document announced is a client redirect, once.
        a.frameNavigated(&main_, url("f#part"));
        a.frameRequestSent(&main_, url("pending"), false);
        QVERIFY(!a.isServerRedirect(told, url("f"), false, true));
        // Otherwise a server's while a frame request of this browser waits for its document.
        QVERIFY(a.isServerRedirect(told, url("f"), false, true));
        QVERIFY(!a.isServerRedirect({&popup_, true}, url("f"), false, true));
        // The redirect moves the waiting request on; its document ends the wait.
        a.frameRequestSent(&main_, url("moved"), true);
        a.frameDocumentLoaded(&main_, url("pending"));
        QVERIFY(a.isServerRedirect(told, url("f"), false, true));
        a.frameDocumentLoaded(&main_, url("moved"));
        QVERIFY(!a.isServerRedirect(told, url("f"), false, true));
        // A request whose document never comes stops counting after a while.
        a.frameRequestSent(&main_, url("lost"), false);
        now_ += 10001;
        QVERIFY(!a.isServerRedirect(told, url("f"), false, true));
    }
};

QTEST_GUILESS_MAIN(TestRequestAttribution)
#include "tst_request_attribution.moc"
