#include "browser/scripted_browser.h"
#include "recording/recorder.h"
#include "streams/event_stream.h"
#include "streams/stream_player.h"

#include <QBuffer>
#include <QTest>

using namespace waytrace;

namespace {

// JSON written with single quotes, so that test data reads without escapes; moc cannot read
// raw string literals that hold "//".
QByteArray jsonLines(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

QList<StreamEvent> read(const QByteArray& text)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return readEventStream(buffer);
}

} // namespace

class TestEventStream : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryEventKind()
    {
        const auto events = read(
            jsonLines("{'event':'BeforeNavigate2','url':'http://h/','headers':'A: "
                      "b\\r\\n','postData':'YT0xAA=='}\n"
                      "\n"
                      "{'event':'BeforeNavigate2','browser':'popup','url':'http://p/','extra':1}\n"
                      "{'event':'Edit','position':2,'field':'httpvalue','value':404}\n"
                      "{'event':'Remove','position':1}\n"
                      "{'event':'WindowClosing','isChildWindow':true}\n"
                      "{'event':'Clear'}"));
        QCOMPARE(events.size(), 6);
        // The wire's postData is the body followed by one terminating byte.
        QCOMPARE(events[0].method, HttpMethod::Post);
        QCOMPARE(events[0].body, QByteArray("a=1"));
        QCOMPARE(events[0].headers, QStringLiteral("A: b\r\n"));
        QCOMPARE(events[0].browser, StreamEvent::Target::Main);
        QCOMPARE(events[1].line, 3); // blank lines count
        QCOMPARE(events[1].browser, StreamEvent::Target::Popup);
        QCOMPARE(events[1].method, HttpMethod::Get);
        QCOMPARE(events[2].position, 2);
        QCOMPARE(events[2].value.toInteger(), 404);
        QCOMPARE(events[3].kind, StreamEvent::Kind::Remove);
        QVERIFY(events[4].isChildWindow);
        QCOMPARE(events[4].kind, StreamEvent::Kind::WindowClosing);
    }

    void badLinesNameTheirLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("not json") << QByteArray("{oops");
        QTest::newRow("not an object") << QByteArray("[1]");
        QTest::newRow("unknown event") << jsonLines("{'event':'Navigate'}");
        QTest::newRow("no event") << jsonLines("{'url':'http://h/'}");
        QTest::newRow("url missing") << jsonLines("{'event':'BeforeNavigate2'}");
        QTest::newRow("url not text") << jsonLines("{'event':'BeforeNavigate2','url':5}");
        QTest::newRow("bad base64")
            << jsonLines("{'event':'BeforeNavigate2','url':'http://h/','postData':'*'}");
        QTest::newRow("unknown browser") << jsonLines("{'event':'OnQuit','browser':'third'}");
        QTest::newRow("position zero") << jsonLines("{'event':'Remove','position':0}");
        QTest::newRow("position fraction") << jsonLines("{'event':'Remove','position':1.5}");
        QTest::newRow("position text") << jsonLines("{'event':'Remove','position':'1'}");
        QTest::newRow("line break in a header")
            << jsonLines("{'event':'BeforeNavigate2','url':'http://h/','headers':'X: a\\nY: b'}");
        QTest::newRow("edit value missing")
            << jsonLines("{'event':'Edit','position':1,'field':'displayname'}");
    }

    void badLinesNameTheirLine()
    {
        QFETCH(QByteArray, line);
        try {
            read(jsonLines("{'event':'Clear'}") + "\n" + line + "\n");
            QFAIL("accepted");
        } catch (const EventStreamError& error) {
            QCOMPARE(error.line(), 2);
            QVERIFY(QByteArray(error.what()).startsWith("line 2: "));
        }
    }

    void writtenEventsReadBackUnchanged()
    {
        StreamEvent post;
        post.kind = StreamEvent::Kind::BeforeNavigate2;
        post.browser = StreamEvent::Target::Popup;
        post.url = QStringLiteral("http://h/\u65E5?a=\"b\"");
        post.headers = QStringLiteral("Content-Type: text/plain\r\n");
        post.method = HttpMethod::Post;
        post.body = QByteArray("x=\xff\0", 4);
        post.request = 7;
        post.bodyUnconfirmed = true;
        StreamEvent done;
        done.kind = StreamEvent::Kind::DocumentComplete;
        done.url = QStringLiteral("http://h/");

        const auto events = read(writeStreamEvent(post) + "\n" + writeStreamEvent(done) + "\n");
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].url, post.url);
        QCOMPARE(events[0].headers, post.headers);
        QCOMPARE(events[0].method, post.method);
        QCOMPARE(events[0].body, post.body);
        QCOMPARE(events[0].browser, StreamEvent::Target::Popup);
        QCOMPARE(events[0].request, 7);
        QVERIFY(events[0].bodyUnconfirmed);
        QCOMPARE(events[1].kind, StreamEvent::Kind::DocumentComplete);
        QCOMPARE(events[1].url, done.url);
    }

    // A step recorded with the body its page reported takes the body the browser confirms
    // later, by request, and is marked until then.
    void confirmedBodiesCorrectTheirSteps()
    {
        const auto events = read(jsonLines(
            "{'event':'BeforeNavigate2','url':'http://h/save','postData':'YT05OTk5AA==',"
            "'bodyUnconfirmed':true,'request':1}\n"
            "{'event':'BeforeNavigate2','url':'http://h/new','postData':'YT0yAA==',"
            "'bodyUnconfirmed':true}\n"
            "{'event':'RequestBodyConfirmed','url':'http://h/save','postData':'YT0xJTIwAA==',"
            "'headers':'Content-Type: text/plain\\r\\n','request':1}\n"
            "{'event':'RequestBodyConfirmed','url':'http://h/new','postData':'YT0zAA==',"
            "'request':2}"));
        ScriptedBrowser browser;
        Recorder recorder(QStringLiteral("http://help/"));
        recorder.listen(browser);
        for (const auto& event : events)
            playBrowserEvent(browser, event);
        const auto& steps = recorder.sequence();
        QCOMPARE(steps.count(), 2u);
        QCOMPARE(QString::fromStdU16String(steps.at(0)->postBody), u"a=1%2520");
        QCOMPARE(QString::fromStdU16String(steps.at(0)->headers), u"Content-Type: text/plain\r\n");
        QVERIFY(!steps.at(0)->bodyUnconfirmed);
        QCOMPARE(QString::fromStdU16String(steps.at(1)->postBody), u"a=2");
        QVERIFY(steps.at(1)->bodyUnconfirmed);
    }

    void scriptedBrowserRaisesAndTakesAnswers()
    {
        ScriptedBrowser main;
        ScriptedBrowser popup;
        QStringList seen;
        connect(&main, &Browser::beforeNavigate2, [&](NavigationRequest& request) {
            seen.append(request.url());
            if (request.url() == QLatin1String("http:///"))
                request.cancel();
        });
        connect(&main, &Browser::newWindow2,
                [&](NewWindowRequest& request) { request.showIn(&popup); });
        connect(&popup, &Browser::windowClosing,
                [](WindowClosingRequest& request) { request.cancel(); });

        QVERIFY(main.raiseBeforeNavigate2(QStringLiteral("http:///")));
        QVERIFY(!main.raiseBeforeNavigate2(QStringLiteral("http://h/")));
        QCOMPARE(seen, QStringList({"http:///", "http://h/"}));
        QCOMPARE(main.raiseNewWindow2(), &popup);
        QVERIFY(popup.raiseWindowClosing());
        QVERIFY(!main.raiseWindowClosing());

        main.raiseNavigateComplete2(QStringLiteral("res://x/http_404.htm#y"));
        QCOMPARE(main.locationUrl(), QStringLiteral("res://x/http_404.htm#y"));

        main.navigate(QStringLiteral("about:blank"));
        main.navigate(QStringLiteral("http://h/p"), QByteArray("a=1"), QStringLiteral("H: 1\r\n"));
        QCOMPARE(main.requests().size(), 2);
        QVERIFY(!main.requests()[0].withBody);
        QCOMPARE(main.requests()[1].postData, QByteArray("a=1"));
        QCOMPARE(main.requests()[1].headers, QStringLiteral("H: 1\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestEventStream)
#include "tst_event_stream.moc"
