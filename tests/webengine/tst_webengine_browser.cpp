#include "../support/empty_home.h"
#include "fixture_server.h"

#include "tools/record/record_session.h"
#include "webengine/disk_caches.h"
#include "webengine/request_interceptor.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWidget>

#include <memory>
#include <optional>

#include <csignal>

using namespace waytrace;
using namespace Qt::StringLiterals;
using Kind = StreamEvent::Kind;
using Target = StreamEvent::Target;

namespace {

constexpr int kLoadTimeout = 15000;

struct Part
{
    QByteArray head;
    QByteArray content;
    friend bool operator==(const Part&, const Part&) = default;
};

// A JavaScript string literal holding `text`.
QString jsString(const QString& text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
        .chopped(1)
        .mid(1);
}

QByteArray boundaryOf(const QByteArray& contentType)
{
    const auto at = contentType.indexOf("boundary=");
    return at < 0 ? QByteArray() : contentType.mid(at + 9).trimmed();
}

// The parts of a multipart body, boundary aside, so that two bodies with different boundaries
// can be compared.
QList<Part> multipartParts(const QByteArray& body, const QByteArray& boundary)
{
    QList<Part> parts;
    const QByteArray delimiter = "--" + boundary;
    qsizetype at = body.indexOf(delimiter);
    while (at >= 0) {
        at += delimiter.size();
        if (body.mid(at, 2) == "--")
            break;
        const auto next = body.indexOf("\r\n" + delimiter, at);
        if (next < 0)
            break;
        const auto part = body.mid(at + 2, next - at - 2);
        const auto split = part.indexOf("\r\n\r\n");
        parts.append({part.left(split), part.mid(split + 4)});
        at = next + 2;
    }
    return parts;
}

} // namespace

class TestWebEngineBrowser : public QObject
{
    Q_OBJECT

public:
    explicit TestWebEngineBrowser(QString helpUrl) : helpUrl_(std::move(helpUrl)) {}

private:
    QList<StreamEvent> eventsOf(Kind kind, std::optional<Target> target = {}) const
    {
        QList<StreamEvent> found;
        for (const auto& event : record_->events())
            if (event.kind == kind && (!target || event.browser == *target))
                found.append(event);
        return found;
    }

    QStringList requestedUrls(Target target) const
    {
        QStringList urls;
        for (const auto& event : eventsOf(Kind::BeforeNavigate2, target))
            urls.append(event.url);
        return urls;
    }

    // The last before-navigate to an address containing `part`.
    StreamEvent lastRequest(const QString& part) const
    {
        StreamEvent found;
        for (const auto& event : eventsOf(Kind::BeforeNavigate2))
            if (event.url.contains(part))
                found = event;
        return found;
    }

    // The browser tells a load once the request that made it has been raised.
    bool load(WebEngineBrowser& browser, const QString& url)
    {
        QSignalSpy completed(&browser, &Browser::navigateComplete2);
        QSignalSpy loaded(&browser, &Browser::downloadComplete);
        browser.navigate(url);
        return loaded.wait(kLoadTimeout) && !completed.isEmpty();
    }

    // Runs page script in the main browser and waits for the top page's next load.
    bool runAndWaitForLoad(const QString& script)
    {
        QSignalSpy loaded(main_.get(), &Browser::downloadComplete);
        main_->page()->runJavaScript(script);
        return loaded.wait(kLoadTimeout);
    }

    QString url(const QString& path) const { return server_->url(path); }

    // Runs page script in the main browser and waits for its result. The wait is short: a
    // result goes with its document when the page navigates meanwhile, and waiting for it must
    // not use up the whole time of a caller that tries again.
    QVariant evaluate(const QString& script)
    {
        // Shared with the callback, which may come after a time-out.
        const auto result = std::make_shared<std::optional<QVariant>>();
        main_->page()->runJavaScript(script, [result](const QVariant& value) { *result = value; });
        if (!QTest::qWaitFor([&] { return result->has_value(); }, kLoadTimeout / 5))
            return {};
        return **result;
    }

    QString helpUrl_;
    std::unique_ptr<FixtureServer> server_;
    std::shared_ptr<WebEngineSession> session_;
    std::unique_ptr<WebEngineBrowser> main_;
    std::unique_ptr<WebEngineBrowser> popup_;
    std::unique_ptr<RecordSession> record_;

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<FixtureServer>(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server_->port() != 0);
        session_ = WebEngineSession::create();
        main_ = std::make_unique<WebEngineBrowser>(session_);
        popup_ = std::make_unique<WebEngineBrowser>(session_);
        main_->widget()->resize(800, 600);
        main_->widget()->show();
    }

    void init()
    {
        server_->clear();
        record_ = std::make_unique<RecordSession>(*main_, *popup_, helpUrl_);
    }

    void cleanup() { record_.reset(); }

    void cleanupTestCase()
    {
        popup_.reset();
        main_.reset();
        session_.reset();
    }

    void typedAddressThenLink()
    {
        QVERIFY(load(*main_, url("index.html")));
        QCOMPARE(requestedUrls(Target::Main), QStringList{url("index.html")});
        QCOMPARE(main_->locationUrl(), url("index.html"));
        // The top page's load ends with these three, in this order.
        QCOMPARE(record_->events().size(), 4);
        QCOMPARE(record_->events()[1].kind, Kind::NavigateComplete2);
        QCOMPARE(record_->events()[2].kind, Kind::DownloadComplete);
        QCOMPARE(record_->events()[3].kind, Kind::DocumentComplete);
        QCOMPARE(record_->events()[3].url, url("index.html"));

        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('next').click()")));
        QCOMPARE(requestedUrls(Target::Main).size(), 2);
        QCOMPARE(requestedUrls(Target::Main)[1], url("page2.html?from=index#top"));

        const auto& sequence = record_->sequence();
        QCOMPARE(sequence.count(), 2u);
        QCOMPARE(sequence.at(0)->method, HttpMethod::Get);
        QVERIFY(sequence.at(1)->postBody.empty());
        QVERIFY(sequence.at(1)->headers.empty());
        QCOMPARE(server_->requestsTo("/page2.html").size(), 1);
    }

    void sizesAreInTwips()
    {
        main_->setWidth(9000);
        main_->setHeight(4500);
        QCOMPARE(main_->widget()->size(), QSize(600, 300));
        QCOMPARE(main_->width(), 9000);
        QCOMPARE(main_->height(), 4500);
        main_->widget()->resize(800, 600);
    }

    void getFormCarriesNoBody()
    {
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('searchgo').click()")));
        const auto request = lastRequest(QStringLiteral("/search"));
        QCOMPARE(request.url, url("search?q=blue+shoes+%26+socks"));
        QCOMPARE(request.method, HttpMethod::Get);
        QVERIFY(request.headers.isEmpty());
        QCOMPARE(server_->requestsTo("/search").first().method, QByteArray("GET"));
    }

    void urlencodedPostIsRecordedAsSent_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("submitter");
        QTest::newRow("button") << "document.getElementById('urlencodedgo').click()"
                                << QByteArray("&action=save");
        QTest::newRow("requestSubmit()")
            << "document.getElementById('urlencoded').requestSubmit()" << QByteArray();
        QTest::newRow("submit()") << "document.getElementById('urlencoded').submit()"
                                  << QByteArray();
        QTest::newRow("FormData first") << "new FormData(document.getElementById('urlencoded'));"
                                           "document.getElementById('urlencodedgo').click()"
                                        << QByteArray("&action=save");
    }

    void urlencodedPostIsRecordedAsSent()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, submitter);
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(script));

        const auto sent = server_->requestsTo("/submit/urlencoded");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].method, QByteArray("POST"));
        QCOMPARE(sent[0].body, "user=J%C3%BCrgen+%E6%97%A5%E6%9C%AC+100%25+a%2Bb%26c%3Dd"
                               "&note=first%0D%0Asecond%0D%0Athird%0D%0Afourth&keep=yes" +
                                   submitter);

        const auto request = lastRequest(QStringLiteral("/submit/urlencoded"));
        QCOMPARE(request.url, url("submit/urlencoded?step=1"));
        QCOMPARE(request.body, sent[0].body);
        QCOMPARE(request.headers, "Content-Type: application/x-www-form-urlencoded\r\n");

        const auto record = record_->sequence().at(record_->sequence().count() - 1);
        QCOMPARE(record->method, HttpMethod::Post);
        QCOMPARE(QString::fromStdU16String(record->postBody),
                 QString::fromLatin1(sent[0].body).replace(u'%', QStringLiteral("%25")));
    }

    // Entries the page's own formdata listeners add (a token, say) are sent, so they are
    // recorded too, wherever on the event's way the page listens.
    void entriesAddedByThePageAreRecorded_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("sent");
        const QString click = QStringLiteral("document.getElementById('guardedgo').click()");
        QTest::newRow("button") << "tokens.html" << click
                                << QByteArray("q=window&go=1&csrf=t0k&seen=document");
        QTest::newRow("submit()") << "tokens.html"
                                  << "document.getElementById('guarded').submit()"
                                  << QByteArray("q=window&csrf=t0k&seen=document");
        QTest::newRow("FormData first")
            << "tokens.html"
            << "new FormData(document.getElementById('guarded'));" + click
            << QByteArray("q=window&go=1&csrf=t0k&seen=document");
        QTest::newRow("propagation stopped")
            << "tokens.html?stop" << click << QByteArray("q=a+b&go=1&csrf=t0k&seen=document");
    }

    void entriesAddedByThePageAreRecorded()
    {
        QFETCH(QString, page);
        QFETCH(QString, script);
        QFETCH(QByteArray, sent);
        QVERIFY(load(*main_, url(page)));
        QVERIFY(runAndWaitForLoad(script));
        const auto received = server_->requestsTo("/submit/guarded");
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].body, sent);
        const auto request = lastRequest(QStringLiteral("/submit/guarded"));
        QCOMPARE(request.body, received[0].body);
        QCOMPARE(request.headers, "Content-Type: application/x-www-form-urlencoded\r\n");
    }

    // A field the page sent from a password input is marked so, whatever it is called: a file
    // saved without passwords leaves its value out.
    void passwordInputsAreMarked()
    {
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(
            QStringLiteral("const form = document.getElementById('urlencoded');"
                           "const key = document.createElement('input');"
                           "key.type = 'password'; key.name = 'k'; key.value = 'x';"
                           "form.appendChild(key); form.submit()")));
        const auto& sequence = record_->sequence();
        QTRY_COMPARE(sequence.at(sequence.count() - 1)->passwordFields,
                     std::vector<std::u16string>{u"k"});
    }

    void textPlainPost()
    {
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('plaingo').click()")));
        const auto sent = server_->requestsTo("/submit/plain");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].body, QString::fromUtf8("subject=Grüße 100%\r\n"
                                                 "body=first\r\nsecond\r\nthird\r\nfourth\r\n")
                                   .toUtf8());
        const auto request = lastRequest(QStringLiteral("/submit/plain"));
        QCOMPARE(request.body, sent[0].body);
        QCOMPARE(request.headers, "Content-Type: text/plain\r\n");

        // The button's own address, method and encoding win over the form's.
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('overridego').click()")));
        QCOMPARE(server_->requestsTo("/submit/override").first().body, QByteArray("k=v w\r\n"));
        QCOMPARE(lastRequest(QStringLiteral("/submit/override")).body, QByteArray("k=v w\r\n"));
        QCOMPARE(lastRequest(QStringLiteral("/submit/override")).headers,
                 "Content-Type: text/plain\r\n");
    }

    void multipartHeaderAndBodyBelongTogether_data()
    {
        QTest::addColumn<QString>("choose");
        QTest::newRow("no file") << QString();
        QTest::newRow("file chosen") << QStringLiteral(
            "const chosen = new DataTransfer();"
            "chosen.items.add(new File(['private\\r\\n--x'], 'n\u00f6tes.txt',"
            "    {type: 'text/csv'}));"
            "document.querySelector('#multipart [type=file]').files = chosen.files;");
    }

    // File contents are never recorded; everything else of the body is, as it was sent.
    void multipartHeaderAndBodyBelongTogether()
    {
        QFETCH(QString, choose);
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(
            choose + QStringLiteral("document.getElementById('multipartgo').click()")));
        const auto sent = server_->requestsTo("/submit/multipart");
        QCOMPARE(sent.size(), 1);
        auto sentParts =
            multipartParts(sent[0].body, boundaryOf(sent[0].headers.value("content-type")));
        QCOMPARE(sentParts.size(), 4);
        if (!choose.isEmpty()) {
            QCOMPARE(sentParts[2].content, QByteArray("private\r\n--x"));
            QVERIFY(sentParts[2].head.contains("filename=\"n\xC3\xB6tes.txt\""));
            sentParts[2].content.clear();
        }

        const auto request = lastRequest(QStringLiteral("/submit/multipart"));
        QVERIFY(request.headers.startsWith("Content-Type: multipart/form-data; boundary="));
        QVERIFY(request.headers.endsWith("\r\n"));
        const auto boundary = boundaryOf(request.headers.trimmed().toLatin1());
        QVERIFY(!boundary.isEmpty());
        QVERIFY(request.body.endsWith("--" + boundary + "--\r\n"));
        const auto recordedParts = multipartParts(request.body, boundary);
        QCOMPARE(recordedParts, sentParts);
    }

    void framesAreRecordedInOrderAndEachCompletes()
    {
        QVERIFY(load(*main_, url("frames.html")));
        QTRY_COMPARE_WITH_TIMEOUT(eventsOf(Kind::DocumentComplete).size(), 3, kLoadTimeout);
        QCOMPARE(requestedUrls(Target::Main), QStringList({url("frames.html"), url("frame_a.html"),
                                                           url("frame_b.html?second")}));
        QCOMPARE(record_->sequence().count(), 3u);
        QStringList completed;
        for (const auto& event : eventsOf(Kind::DocumentComplete))
            completed.append(event.url);
        QCOMPARE(completed.last(), url("frames.html"));
        completed.sort();
        QCOMPARE(completed, QStringList({url("frame_a.html"), url("frame_b.html?second"),
                                         url("frames.html")}));

        // A form posted inside a frame is recorded like the page's.
        server_->clear();
        main_->page()->runJavaScript(QStringLiteral(
            "document.getElementById('a').contentDocument.getElementById('inner').submit()"));
        QTRY_COMPARE_WITH_TIMEOUT(server_->requestsTo("/submit/frame").size(), 1, kLoadTimeout);
        QTRY_VERIFY(!lastRequest(QStringLiteral("/submit/frame")).url.isEmpty());
        QCOMPARE(lastRequest(QStringLiteral("/submit/frame")).body,
                 server_->requestsTo("/submit/frame")[0].body);
    }

    void newWindowsOpenInThePopup_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("target=_blank") << "document.getElementById('blank').click()"
                                       << "page2.html?via=blank" << QByteArray();
        QTest::newRow("window.open") << "document.getElementById('open').click()"
                                     << "page2.html?via=open" << QByteArray();
        QTest::newRow("POST into a new window")
            << "document.getElementById('postnewgo').click()"
            << "submit/newwindow" << QByteArray("order=42+%26+more");
    }

    void newWindowsOpenInThePopup()
    {
        QFETCH(QString, script);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QVERIFY(load(*main_, url("popups.html")));
        QSignalSpy opened(record_.get(), &RecordSession::popupOpened);
        QSignalSpy loaded(popup_->page(), &QWebEnginePage::loadFinished);
        main_->page()->runJavaScript(script);
        QVERIFY(loaded.wait(kLoadTimeout));
        QCOMPARE(opened.size(), 1);

        QCOMPARE(requestedUrls(Target::Popup), QStringList{url(path)});
        QCOMPARE(requestedUrls(Target::Main), QStringList{url("popups.html")});
        const auto request = eventsOf(Kind::BeforeNavigate2, Target::Popup).first();
        QCOMPARE(request.body, body);
        QCOMPARE(popup_->locationUrl(), url(path));
        QCOMPARE(record_->sequence().count(), 2u);
        QCOMPARE(QString::fromStdU16String(record_->sequence().at(1)->urlAddress), url(path));
        QCOMPARE(server_->requestsTo(("/" + path).toUtf8()).first().body, body);
        QVERIFY(!eventsOf(Kind::DownloadComplete, Target::Popup).isEmpty());
    }

    void closingThePopupKeepsItsBrowser()
    {
        QVERIFY(load(*main_, url("popups.html")));
        QSignalSpy loaded(popup_->page(), &QWebEnginePage::loadFinished);
        main_->page()->runJavaScript(QStringLiteral("document.getElementById('closer').click()"));
        QVERIFY(loaded.wait(kLoadTimeout));
        QSignalSpy closed(record_.get(), &RecordSession::popupClosed);
        popup_->page()->runJavaScript(QStringLiteral("window.close()"));
        QVERIFY(closed.wait(kLoadTimeout));
        const auto closing = eventsOf(Kind::WindowClosing, Target::Popup);
        QCOMPARE(closing.size(), 1);
        QVERIFY(closing[0].isChildWindow);
        // Cancelled: the page stays loaded for the next new window.
        QTest::qWait(200);
        QCOMPARE(popup_->locationUrl(), url("closer.html"));
    }

    void fakeCaptureMessagesAreIgnored()
    {
        QVERIFY(load(*main_, url("console.html")));
        for (const auto& event : eventsOf(Kind::DocumentComplete))
            QVERIFY2(!event.url.contains(QStringLiteral("fake.invalid")), qPrintable(event.url));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('target').submit()")));
        const auto request = lastRequest(QStringLiteral("/submit/console"));
        QCOMPARE(request.body, QByteArray("real=1"));
        QCOMPARE(request.headers, "Content-Type: application/x-www-form-urlencoded\r\n");
        QCOMPARE(server_->requestsTo("/submit/console").first().body, QByteArray("real=1"));
    }

    void bodiesArriveWhole()
    {
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('big').submit()")));
        const auto sent = server_->requestsTo("/submit/big");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].body.size(), 5 + 1024 * 1024);
        QCOMPARE(lastRequest(QStringLiteral("/submit/big")).body, sent[0].body);

        // An empty form still posts, with an empty body.
        QVERIFY(load(*main_, url("forms.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('empty').submit()")));
        QCOMPARE(server_->requestsTo("/submit/empty").first().body, QByteArray());
        QCOMPARE(lastRequest(QStringLiteral("/submit/empty")).body, QByteArray());
        QCOMPARE(lastRequest(QStringLiteral("/submit/empty")).method, HttpMethod::Post);
        QCOMPARE(record_->sequence().at(record_->sequence().count() - 1)->method, HttpMethod::Post);
    }

    void postThroughNavigate()
    {
        QSignalSpy loaded(main_->page(), &QWebEnginePage::loadFinished);
        main_->navigate(url("submit/direct?x=1"), "a=1&b=%2B",
                        QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n"));
        QVERIFY(loaded.wait(kLoadTimeout));
        const auto sent = server_->requestsTo("/submit/direct");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].method, QByteArray("POST"));
        QCOMPARE(sent[0].body, QByteArray("a=1&b=%2B"));
        QCOMPARE(sent[0].headers.value("content-type"),
                 QByteArray("application/x-www-form-urlencoded"));
        const auto request = lastRequest(QStringLiteral("/submit/direct"));
        QCOMPARE(request.body, QByteArray("a=1&b=%2B"));
        QCOMPARE(request.headers, "Content-Type: application/x-www-form-urlencoded\r\n");
    }

    void helpPageIsNotRecorded()
    {
        QVERIFY(load(*main_, helpUrl_));
        QCOMPARE(requestedUrls(Target::Main), QStringList{helpUrl_});
        QCOMPARE(record_->sequence().count(), 0u);
    }

    // The server's redirects are followed within the step the page made: only that request is
    // recorded, for the top page and for frames, for GET and POST.
    void serverRedirectsAreNotSteps()
    {
        QVERIFY(load(*main_, url("redirects/server.html")));
        for (const char* code : {"301", "302", "303", "307", "308"}) {
            const auto address = QStringLiteral("r/%1/page2.html?via=%1").arg(code);
            QVERIFY(runAndWaitForLoad("location.href = '/" + address + "'"));
            QCOMPARE(main_->locationUrl(), url(QStringLiteral("page2.html?via=%1").arg(code)));
            QCOMPARE(requestedUrls(Target::Main).last(), url(address));
            QVERIFY(load(*main_, url("redirects/server.html")));
        }
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('link').click()")));
        QVERIFY(load(*main_, url("redirects/server.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('logingo').click()")));
        QCOMPARE(server_->requestsTo("/page2.html?via=login").first().method, QByteArray("GET"));
        QVERIFY(load(*main_, url("redirects/server.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('keep').submit()")));
        // 307 repeats the POST, body and all, to the new address.
        QCOMPARE(server_->requestsTo("/submit/kept").first().body, QByteArray("q=1%2B1"));

        QVERIFY(load(*main_, url("redirects/server.html")));
        main_->page()->runJavaScript(
            QStringLiteral("document.getElementById('frame').src = '/r/302/frame_a.html'"));
        QTRY_COMPARE_WITH_TIMEOUT(server_->requestsTo("/frame_a.html").size(), 1, kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!eventsOf(Kind::DocumentComplete).isEmpty() &&
                                     eventsOf(Kind::DocumentComplete).last().url ==
                                         url("frame_a.html"),
                                 kLoadTimeout);

        for (const auto& address : requestedUrls(Target::Main))
            QVERIFY2(!address.startsWith(url("page2.html")) && address != url("submit/kept") &&
                         address != url("frame_a.html"),
                     qPrintable(address));
        // Every step of both browsers in the message: this once failed under load, unexplained.
        QVERIFY2(requestedUrls(Target::Main).count(url("r/302/frame_a.html")) == 1,
                 qPrintable(requestedUrls(Target::Main).join(u' ') + QStringLiteral(" | popup: ") +
                            requestedUrls(Target::Popup).join(u' ')));
        const auto login = lastRequest(QStringLiteral("/r/303/page2.html?via=login"));
        QCOMPARE(login.body, server_->requestsTo("/r/303/page2.html?via=login").first().body);
        QCOMPARE(login.body, QByteArray("user=ann+b&go=1"));
        QCOMPARE(lastRequest(QStringLiteral("/r/307/")).body, QByteArray("q=1%2B1"));
    }

    // What a page showed is where its load landed, after the server's redirects and before
    // its script trimmed the address, and the document the server sent, before its script
    // changed it: what a test run reads too.
    void pagesAreDescribedWhereTheyLanded()
    {
        QSignalSpy shown(main_.get(), &Browser::pageShown);
        QVERIFY(load(*main_, url("r/302/replaced.html?saved=1")));
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), kLoadTimeout);
        QCOMPARE(shown.last().at(1).toString(), url("replaced.html?saved=1"));
        QCOMPARE(main_->locationUrl(), url("replaced.html"));
        QCOMPARE(main_->page()->title(), QStringLiteral("Edited"));
        QFile sent(QStringLiteral(FIXTURES_DIR "/replaced.html"));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(shown.last().at(2).toString(), QString::fromUtf8(sent.readAll()));
    }

    // Navigations the page starts by itself are steps, in order, with their bodies; a server
    // redirect that follows one is still not.
    void clientRedirectsAreSteps_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("meta refresh")
            << "redirects/meta.html" << QStringList{"redirects/meta.html", "page2.html?via=meta"};
        QTest::newRow("location.replace() while loading")
            << "redirects/replace.html"
            << QStringList{"redirects/replace.html", "page2.html?via=replace"};
        QTest::newRow("location.href after load")
            << "redirects/assign.html"
            << QStringList{"redirects/assign.html", "page2.html?via=assign"};
        QTest::newRow("auto-posting sign-on form")
            << "redirects/autopost.html" << QStringList{"redirects/autopost.html", "submit/acs"};
        QTest::newRow("meta refresh into server redirects")
            << "redirects/chain.html"
            << QStringList{"redirects/chain.html", "r/302/r/301/page2.html?via=chain"};
        QTest::newRow("page reloading itself")
            << "redirects/self.html"
            << QStringList{"redirects/self.html", "redirects/self.html?n=1",
                           "redirects/self.html?n=2"};
    }

    void clientRedirectsAreSteps()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, steps);
        QStringList expected;
        for (const auto& step : steps)
            expected.append(url(step));
        main_->navigate(url(page));
        QTRY_COMPARE_WITH_TIMEOUT(requestedUrls(Target::Main), expected, kLoadTimeout);
        QTest::qWait(300); // nothing further arrives
        QCOMPARE(requestedUrls(Target::Main), expected);
        QCOMPARE(record_->sequence().count(), static_cast<std::size_t>(expected.size()));
        const auto sso = server_->requestsTo("/submit/acs");
        if (!sso.isEmpty()) {
            QCOMPARE(lastRequest(QStringLiteral("/submit/acs")).body, sso[0].body);
            QCOMPARE(sso[0].body, QByteArray("SAMLResponse=PHNhbWw%2BdGVzdDwvc2FtbD4%3D"
                                             "&RelayState=%2Fhome%3Fa%3D1%26b%3D2"));
        }
    }

    // Bodies are recorded in the bytes the engine sends: in the form's accept-charset, else the
    // page's charset, with what the charset cannot hold as the engine writes it.
    void bodiesKeepThePageCharset_data()
    {
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("inside");
        QTest::addColumn<QString>("outside");
        QTest::addColumn<QByteArray>("insideSent"); // `inside`, urlencoded, as the server gets it
        QTest::newRow("Shift_JIS") << "shift_jis" << u"日本語ｶﾅ"_s // half-width kana too
                                   << u"한글😀"_s << QByteArray("%93%FA%96%7B%8C%EA%B6%C5");
        QTest::newRow("EUC-JP") << "euc-jp" << u"日本語"_s << u"한😀"_s
                                << QByteArray("%C6%FC%CB%DC%B8%EC");
        QTest::newRow("GBK") << "gbk" << u"中文简体"_s << u"한😀"_s
                             << QByteArray("%D6%D0%CE%C4%BC%F2%CC%E5");
        QTest::newRow("Big5") << "big5" << u"繁體中文"_s << u"简😀"_s
                              << QByteArray("%C1c%C5%E9%A4%A4%A4%E5");
        QTest::newRow("windows-1252")
            << "windows-1252" << u"Grüße €"_s << u"日本"_s << QByteArray("Gr%FC%DFe+%80");
        // Its own bytes hold "%": "ケ" is 0x25 0x31.
        QTest::newRow("ISO-2022-JP") << "iso-2022-jp" << u"ケ日本語"_s << u"한😀"_s
                                     << QByteArray("%1B%24B%251F%7CK%5C8l%1B%28B");
        QTest::newRow("ISO-8859-2")
            << "iso-8859-2" << u"Łódź ąę"_s << u"日本€"_s << QByteArray("%A3%F3d%BC+%B1%EA");
    }

    void bodiesKeepThePageCharset()
    {
        QFETCH(QString, charset);
        QFETCH(QString, inside);
        QFETCH(QString, outside);
        QFETCH(QByteArray, insideSent);
        const auto page = url(QStringLiteral("cs/%1/charsets.html").arg(charset));
        const auto text = inside + u' ' + outside + QStringLiteral(" &=+% ~\\");
        const auto note = QStringLiteral("first\nsecond\r\nthird\rfourth");
        const auto fill = QStringLiteral("for (const id of ['u1', 'p1', 'm1', 'a1', 'l1'])"
                                         "  document.getElementById(id).value = %1;"
                                         "for (const id of ['u2', 'p2', 'm2'])"
                                         "  document.getElementById(id).value = %2;")
                              .arg(jsString(text), jsString(note));
        const auto submitted = [&](const QString& submit, const QByteArray& path) {
            if (!load(*main_, page) || !runAndWaitForLoad(fill + submit))
                return FixtureServer::Request{};
            const auto sent = server_->requestsTo(path);
            return sent.isEmpty() ? FixtureServer::Request{} : sent.last();
        };

        auto sent = submitted(QStringLiteral("document.getElementById('urlencodedgo').click()"),
                              "/submit/cs-urlencoded");
        QVERIFY2(sent.body.startsWith("text=" + insideSent + '+'), sent.body.constData());
        QVERIFY(sent.body.endsWith("&go=1"));
        QCOMPARE(lastRequest(QStringLiteral("/submit/cs-urlencoded")).body, sent.body);

        sent = submitted(QStringLiteral("document.getElementById('plain').submit()"),
                         "/submit/cs-plain");
        QVERIFY(!sent.body.isEmpty());
        QCOMPARE(lastRequest(QStringLiteral("/submit/cs-plain")).body, sent.body);

        // A file part keeps its field name, file name and type; its content is not recorded.
        sent = submitted(QStringLiteral("const files = new DataTransfer();"
                                        "files.items.add(new File(['data'], %1 + '.txt',"
                                        "                         {type: 'text/plain'}));"
                                        "document.getElementById('m3').files = files.files;"
                                        "document.getElementById('multipart').submit()")
                             .arg(jsString(inside)),
                         "/submit/cs-multipart");
        auto sentParts = multipartParts(sent.body, boundaryOf(sent.headers.value("content-type")));
        QCOMPARE(sentParts.size(), 3);
        QCOMPARE(sentParts[2].content, QByteArray("data"));
        sentParts[2].content.clear();
        const auto request = lastRequest(QStringLiteral("/submit/cs-multipart"));
        QCOMPARE(multipartParts(request.body, boundaryOf(request.headers.toLatin1())), sentParts);

        // accept-charset wins over the page's: the first label the engine knows, or a
        // single-byte charset of its own.
        for (const QByteArray path : {"/submit/cs-utf8", "/submit/cs-latin2"}) {
            const auto form = path.mid(11);
            sent = submitted(QStringLiteral("document.getElementById('%1').submit()")
                                 .arg(QString::fromLatin1(form)),
                             path);
            QVERIFY(!sent.body.isEmpty());
            QCOMPARE(lastRequest(QString::fromLatin1(path)).body, sent.body);
        }
        QVERIFY(
            server_->requestsTo("/submit/cs-utf8")
                .last()
                .body.startsWith("text=" + QUrl::toPercentEncoding(inside, " ").replace(' ', '+')));
    }

    // A form's accept-charset in any multi-byte charset, on a page in another one or in its own:
    // recorded as the engine sent it, characters outside the charset included.
    void acceptCharsetInAnyCharset()
    {
        const auto text = jsString(u"日本語ｶﾅ 中文简体 繁體 한😀 €&=+%"_s);
        for (const QString page : {"utf-8", "shift_jis", "gbk"}) {
            QVERIFY(load(*main_, url(QStringLiteral("cs/%1/charsets.html").arg(page))));
            for (const QString form : {"shift_jis", "euc-jp", "gbk", "big5"}) {
                const auto path = "/submit/acs-" + form.toLatin1();
                QVERIFY(runAndWaitForLoad(
                    QStringLiteral("for (const input of document.querySelectorAll('.acs'))"
                                   "  input.value = %1;"
                                   "document.getElementById('acs-%2').submit()")
                        .arg(text, form)));
                const auto sent = server_->requestsTo(path);
                QVERIFY(!sent.isEmpty());
                const auto recorded = lastRequest(QString::fromLatin1(path));
                if (form == u"gbk") { // multipart: the boundaries are not the engine's
                    QCOMPARE(multipartParts(recorded.body, boundaryOf(recorded.headers.toLatin1())),
                             multipartParts(sent.last().body,
                                            boundaryOf(sent.last().headers.value("content-type"))));
                } else {
                    QVERIFY2(recorded.body == sent.last().body,
                             qPrintable(page + u' ' + form + u' ' +
                                        QString::fromLatin1(sent.last().body.toPercentEncoding())));
                }
                QVERIFY(load(*main_, url(QStringLiteral("cs/%1/charsets.html").arg(page))));
            }
        }
    }

    // A form posting into a new window from a Shift_JIS page, answered with a redirect: the
    // popup records the POST, in the page's bytes, and not the page it was sent on to.
    void popupPostKeepsThePageCharset()
    {
        QVERIFY(load(*main_, url("cs/shift_jis/charsets.html")));
        QSignalSpy loaded(popup_->page(), &QWebEnginePage::loadFinished);
        main_->page()->runJavaScript(QStringLiteral(
            "document.getElementById('b1').value = '\\u65e5\\u672c & \\ud83d\\ude00';"
            "document.getElementById('blank').submit()"));
        QVERIFY(loaded.wait(kLoadTimeout));
        const auto sent = server_->requestsTo("/r/303/page2.html?via=popup");
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].body, QByteArray("text=%93%FA%96%7B+%26+%26%23128512%3B"));
        QCOMPARE(requestedUrls(Target::Popup), QStringList{url("r/303/page2.html?via=popup")});
        QCOMPARE(eventsOf(Kind::BeforeNavigate2, Target::Popup).first().body, sent[0].body);
        QCOMPARE(popup_->locationUrl(), url("page2.html?via=popup"));
    }

    // Navigations that never happen, and those that send nothing, record nothing: a submission
    // the page cancels, one the user refuses to leave the page for, a fragment link,
    // history.pushState(), and a refresh the user leaves before it comes.
    void navigationsWithoutARequestRecordNothing()
    {
        QVERIFY(load(*main_, url("redirects/cancelled.html")));
        for (const char* id : {"checkedgo", "fragment", "push"})
            main_->page()->runJavaScript(
                QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(id)));
        QTRY_COMPARE_WITH_TIMEOUT(main_->locationUrl(), url("pushed/state.html"), kLoadTimeout);

        // The engine asks before leaving only a page the user has touched; nobody answers
        // here, which refuses.
        main_->page()->runJavaScript(QStringLiteral(
            "window.onbeforeunload = (e) => { e.preventDefault(); e.returnValue = ''; }"));
        QTest::mouseClick(main_->widget()->focusProxy(), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(QStringLiteral("navigator.userActivation.hasBeenActive")).toBool(),
            kLoadTimeout);
        main_->page()->runJavaScript(QStringLiteral("document.getElementById('guarded').submit()"));
        QTest::qWait(500);
        QCOMPARE(main_->locationUrl(), url("pushed/state.html"));
        main_->page()->runJavaScript(QStringLiteral("window.onbeforeunload = null"));

        QVERIFY(load(*main_, url("page2.html")));
        QTest::qWait(1500); // past the refresh the page had planned
        QCOMPARE(requestedUrls(Target::Main),
                 QStringList({url("redirects/cancelled.html"), url("page2.html")}));
        QVERIFY(server_->requestsTo("/submit/never").isEmpty());
        QVERIFY(server_->requestsTo("/submit/left").isEmpty());
        QVERIFY(server_->requestsTo("/pushed").isEmpty());
        QVERIFY(server_->requestsTo("/page2.html?via=late").isEmpty());
    }

    // What is recorded for a submission is what the engine sends: a page can neither hide the
    // real event from the recorder, nor pass off entries of its choosing.
    void pagesCannotForgeTheRecordedBody_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("sent");
        const QString submit = QStringLiteral("submitReal()");
        const QString click = QStringLiteral("document.getElementById('clicked').click()");
        QTest::newRow("event hidden") << "hide" << submit << QByteArray("amount=10");
        QTest::newRow("token added") << "token" << submit << QByteArray("amount=10&token=late");
        QTest::newRow("synthetic event")
            << "synthetic" << click << QByteArray("amount=10&by=button");
        QTest::newRow("decoy before") << "decoy-before" << submit << QByteArray("amount=10");
        QTest::newRow("decoy after") << "decoy-after" << submit << QByteArray("amount=10");
        QTest::newRow("entries built at load") << "early" << submit << QByteArray("amount=11");
        QTest::newRow("decoy in a later task")
            << "decoy-later" << submit << QByteArray("amount=10");
        // The same form's entries, forged by the page right after it submitted them.
        QTest::newRow("same form after submit()")
            << "same-form-after" << submit << QByteArray("amount=10");
        QTest::newRow("same form after requestSubmit()")
            << "same-form-after-request" << submit << QByteArray("amount=10");
    }

    void pagesCannotForgeTheRecordedBody()
    {
        QFETCH(QString, mode);
        QFETCH(QString, script);
        QFETCH(QByteArray, sent);
        QVERIFY(load(*main_, url("hostile/forms.html?" + mode)));
        QVERIFY(runAndWaitForLoad(script));
        const auto received = server_->requestsTo("/submit/hostile");
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0].body, sent);
        QCOMPARE(lastRequest(QStringLiteral("/submit/hostile")).body, sent);
    }

    // The same tricks where the real form is sent into another browsing context: a named
    // frame, the top window from a frame, a new window. Several times each, for races.
    void pagesCannotForgeBodiesSentElsewhere_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("into");
        for (const char* mode : {"decoy-before", "decoy-after", "decoy-later"})
            for (const char* into : {"result", "_top", "_blank"})
                QTest::addRow("%s into %s", mode, into) << mode << into;
    }

    void pagesCannotForgeBodiesSentElsewhere()
    {
        QFETCH(QString, mode);
        QFETCH(QString, into);
        if (mode == u"decoy-before" && into == u"_blank" &&
            !RequestInterceptor::engineHandsBodies())
            QSKIP("a new window's first document tells no navigate event, and form.submit() no "
                  "submit event: the decoy cannot be told from the submission");
        const QString page = into == u"_top" ? QStringLiteral("hostile/framed_forms.html?")
                                             : QStringLiteral("hostile/forms.html?");
        const QString call = into == u"_top" ? QStringLiteral("frames[0].submitReal()")
                                             : QStringLiteral("submitReal()");
        for (int round = 0; round < 3; ++round) {
            server_->clear();
            record_ = std::make_unique<RecordSession>(*main_, *popup_, helpUrl_);
            QVERIFY(load(*main_, url(page + mode + "&into=" + into)));
            // The frames have loaded: the forms' page, and the frame a form may target.
            const QString forms =
                into == u"_top" ? QStringLiteral("frames[0]") : QStringLiteral("window");
            QTRY_VERIFY_WITH_TIMEOUT(
                evaluate(
                    QStringLiteral("(() => { try { return typeof %1.submitReal === 'function' && "
                                   "%1.frames[0].document.readyState === 'complete'; } "
                                   "catch (e) { return false; } })()")
                        .arg(forms))
                    .toBool(),
                kLoadTimeout);
            QSignalSpy topLoaded(main_->page(), &QWebEnginePage::loadFinished);
            main_->page()->runJavaScript(call);
            // The recording sees the request before the server does.
            QTRY_VERIFY_WITH_TIMEOUT(!lastRequest(QStringLiteral("/submit/hostile")).url.isEmpty(),
                                     kLoadTimeout);
            QTRY_COMPARE_WITH_TIMEOUT(server_->requestsTo("/submit/hostile").size(), 1,
                                      kLoadTimeout);
            const auto received = server_->requestsTo("/submit/hostile");
            QCOMPARE(received[0].body, QByteArray("amount=10"));
            QCOMPARE(lastRequest(QStringLiteral("/submit/hostile")).body, received[0].body);
            // The next round's load must not take this answer's for its own.
            if (into == u"_top")
                QVERIFY(!topLoaded.isEmpty() || topLoaded.wait(kLoadTimeout));
        }
    }

    // A browser's very first page, posting itself as it loads behind the same tricks, is
    // recorded as sent: nothing the application loads goes before the engine tells that
    // browser's bodies.
    void aFirstPageCannotForgeItsBody_data()
    {
        QTest::addColumn<QString>("mode");
        for (const char* mode : {"decoy-before", "decoy-after", "decoy-later", "same-form-after",
                                 "same-form-after-request", "token"})
            QTest::newRow(mode) << mode;
    }

    void aFirstPageCannotForgeItsBody()
    {
        QFETCH(QString, mode);
        const QByteArray sent = mode == u"token" ? "amount=10&token=late" : "amount=10";
        for (int round = 0; round < 2; ++round) {
            server_->clear();
            const auto session = WebEngineSession::create();
            WebEngineBrowser fresh(session);
            WebEngineBrowser freshPopup(session);
            RecordSession record(fresh, freshPopup, helpUrl_);
            fresh.navigate(url("hostile/forms.html?" + mode + "&auto"));
            QTRY_COMPARE_WITH_TIMEOUT(server_->requestsTo("/submit/hostile").size(), 1,
                                      kLoadTimeout);
            const auto recorded = [&] {
                for (const auto& step : record.sequence())
                    if (step->urlAddress.ends_with(u"/submit/hostile"))
                        return QString::fromStdU16String(step->postBody);
                return QString();
            };
            QTRY_VERIFY_WITH_TIMEOUT(!recorded().isEmpty(), kLoadTimeout);
            QCOMPARE(server_->requestsTo("/submit/hostile")[0].body, sent);
            QCOMPARE(recorded(), QString::fromLatin1(sent));
        }
    }

    // Where two forms post to one address in different encodings, the one sent into a frame is
    // recorded in its own, not in the other's.
    void aFormSentIntoAFrameKeepsItsEncoding()
    {
        QVERIFY(load(*main_, url("hostile/two_forms.html")));
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(QStringLiteral("frames[0].document.readyState === 'complete'")).toBool(),
            kLoadTimeout);
        main_->page()->runJavaScript(QStringLiteral("document.getElementById('send').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(server_->requestsTo("/submit/two").size(), 1, kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!lastRequest(QStringLiteral("/submit/two")).url.isEmpty(),
                                 kLoadTimeout);
        const auto sent = server_->requestsTo("/submit/two").first();
        const auto request = lastRequest(QStringLiteral("/submit/two"));
        QVERIFY(request.headers.startsWith("Content-Type: multipart/form-data; boundary="));
        QCOMPARE(multipartParts(request.body, boundaryOf(request.headers.trimmed().toLatin1())),
                 multipartParts(sent.body, boundaryOf(sent.headers.value("content-type"))));
    }

    // Forms in documents that script wrote (into an about:blank or srcdoc frame, or a window
    // opened with no address) are recorded with the body they sent.
    void writtenDocumentsRecordTheirBodies_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<bool>("later");
        for (const bool later : {false, true}) {
            const char* when = later ? ", submitted later" : ", submitted at once";
            QTest::addRow("about:blank frame%s", when) << "blank" << later;
            QTest::addRow("srcdoc frame%s", when) << "srcdoc" << later;
            QTest::addRow("popup%s", when) << "popup" << later;
        }
    }

    void writtenDocumentsRecordTheirBodies()
    {
        QFETCH(QString, which);
        QFETCH(bool, later);
        if (!RequestInterceptor::engineHandsBodies() && which == u"popup" && !later)
            QSKIP("document.open() takes every listener off the window, the capture's too, and "
                  "the engine tells nothing of a new window before it has opened: only the "
                  "interceptor's own body holds for a form submitted in the task that wrote it");
        QVERIFY(load(*main_, url("written.html")));
        // The srcdoc frame has its own document by now; one coming later would replace the
        // written one.
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(QStringLiteral("document.getElementById('srcdoc').contentDocument.body"
                                    "?.textContent === 'placeholder'"))
                .toBool(),
            kLoadTimeout);
        main_->page()->runJavaScript(
            QStringLiteral("submitIn('%1', %2)").arg(which, later ? u"true" : u"false"));
        const QByteArray path = "/submit/written-" + which.toLatin1();
        QTRY_VERIFY_WITH_TIMEOUT(!server_->requestsTo(path).isEmpty(), kLoadTimeout);
        const auto received = server_->requestsTo(path).first();
        QCOMPARE(received.body, QByteArray("note=written+%26+sent&n=1"));
        QTRY_VERIFY_WITH_TIMEOUT(!lastRequest(QString::fromLatin1(path)).url.isEmpty(),
                                 kLoadTimeout);
        QCOMPARE(lastRequest(QString::fromLatin1(path)).body, received.body);
    }

    // A new window that posts and closes itself while its opener goes on takes nothing down:
    // the engine crashed here when the window's browser had been inspected before it opened.
    void aNewWindowClosingAsItPostsIsSurvived()
    {
        for (int round = 0; round < 3; ++round) {
            const auto session = WebEngineSession::create();
            WebEngineBrowser fresh(session);
            WebEngineBrowser freshPopup(session);
            RecordSession record(fresh, freshPopup, helpUrl_);
            // As the program shows its new windows.
            connect(&record, &RecordSession::popupOpened, [&] { freshPopup.widget()->show(); });
            connect(&record, &RecordSession::popupClosed, [&] { freshPopup.widget()->hide(); });
            QVERIFY(load(fresh, url("written.html")));
            QSignalSpy loaded(&fresh, &Browser::navigateComplete2);
            fresh.page()->runJavaScript(QStringLiteral("postAndLeave()"));
            QVERIFY(loaded.wait(kLoadTimeout));
            QCOMPARE(loaded.first().first().toString(), url("page2.html?left"));
            // The crash came a moment after the window closed.
            QTest::qWait(500);
        }
    }

    // A page whose process died takes nothing down, and what it sends once reloaded is
    // recorded as sent.
    void aPageWhoseProcessDiedStillRecordsAsSent()
    {
        QVERIFY(load(*main_, url("hostile/forms.html?decoy-after")));
        QSignalSpy ended(main_->page(), &QWebEnginePage::renderProcessTerminated);
        QVERIFY(::kill(static_cast<pid_t>(main_->page()->renderProcessPid()), SIGKILL) == 0);
        QVERIFY(ended.wait(kLoadTimeout));
        server_->clear();
        QVERIFY(load(*main_, url("hostile/forms.html?decoy-after")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("submitReal()")));
        QCOMPARE(server_->requestsTo("/submit/hostile").value(0).body, QByteArray("amount=10"));
        QCOMPARE(lastRequest(QStringLiteral("/submit/hostile")).body, QByteArray("amount=10"));
    }

    // Posts to one address in quick succession each record their own body, in order.
    void quickSuccessionsKeepEachBody_data()
    {
        QTest::addColumn<bool>("announced");
        QTest::newRow("form.submit()") << false;
        QTest::newRow("requestSubmit()") << true;
    }

    void quickSuccessionsKeepEachBody()
    {
        QFETCH(bool, announced);
        for (const int pause : {0, 20, 400}) {
            server_->clear();
            record_ = std::make_unique<RecordSession>(*main_, *popup_, helpUrl_);
            QVERIFY(load(*main_, url("written.html")));
            main_->page()->runJavaScript(
                QStringLiteral("autosave(%1, %2)").arg(pause).arg(announced ? "true" : "false"));
            QTRY_COMPARE_WITH_TIMEOUT(eventsOf(Kind::BeforeNavigate2).size(), 4, kLoadTimeout);
            // A save that the next one overtakes may be cut off before the server reads it.
            const auto events = eventsOf(Kind::BeforeNavigate2);
            QList<QByteArray> recorded;
            for (int i = 1; i < 4; ++i)
                recorded << events[i].body;
            QCOMPARE(recorded,
                     (QList<QByteArray>{"draft=version+1", "draft=version+2", "draft=version+3"}));
            QTRY_VERIFY(!server_->requestsTo("/submit/autosave").isEmpty());
            for (const auto& received : server_->requestsTo("/submit/autosave"))
                QVERIFY(recorded.contains(received.body));
        }
    }

    // A frame of another origin offering bodies for its parent's sign-in address, with a new
    // fragment each time, never has its body recorded for the parent's submission.
    void framesCannotOfferBodiesForOthers()
    {
        FixtureServer other(QStringLiteral(FIXTURES_DIR));
        QVERIFY(other.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        const auto forger = QString::fromLatin1(
            QUrl::toPercentEncoding(other.url(QStringLiteral("hostile/forger.html"))));
        for (int round = 0; round < 4; ++round) {
            server_->clear();
            QVERIFY(load(*main_, url("hostile/framed_login.html?" + forger)));
            QTest::qWait(200); // the frame offers a few dozen bodies meanwhile
            QVERIFY(runAndWaitForLoad(QStringLiteral("document.getElementById('login').submit()")));
            const auto received = server_->requestsTo("/submit/framed-login");
            QCOMPARE(received.size(), 1);
            QCOMPARE(received[0].body, QByteArray("user=ann&password=real+secret"));
            QCOMPARE(lastRequest(QStringLiteral("/submit/framed-login")).body, received[0].body);
        }
    }

    // A form in a sandboxed frame posts with its body and Content-Type line: the engine names
    // no origin for its request (an opaque one), and it is still a page's.
    void sandboxedFramesPostWhatTheySent()
    {
        std::optional<NavigationRequest> sent;
        connect(main_.get(), &Browser::beforeNavigate2, this, [&](NavigationRequest& request) {
            if (request.url().contains(QStringLiteral("/submit/sandboxed")))
                sent = request;
        });
        QVERIFY(load(*main_, url("popups.html")));
        main_->page()->runJavaScript(QStringLiteral(
            "const frame = document.createElement('iframe');"
            "frame.sandbox = 'allow-forms allow-scripts';"
            "frame.srcdoc = '<form method=post action=/submit/sandboxed><input name=a "
            "value=\\'b c\\'></form><script>document.forms[0].submit()<\\/script>';"
            "document.body.append(frame)"));
        QTRY_VERIFY_WITH_TIMEOUT(sent.has_value(), kLoadTimeout);
        QCOMPARE(sent->body(), QByteArray("a=b+c"));
        QVERIFY(!sent->bodyUnconfirmed());
        QCOMPARE(sent->headers(),
                 QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n"));
    }

    // A new window that sends its opener on and closes itself at once leaves the opener's
    // navigation as a step.
    void windowsClosingAsTheySendTheirOpenerOnLeaveItsStep()
    {
        QVERIFY(load(*main_, url("popups.html")));
        QVERIFY(runAndWaitForLoad(QStringLiteral("window.open('/opener.html')")));
        QTRY_VERIFY_WITH_TIMEOUT(!server_->requestsTo("/page2.html?via=opener").isEmpty(),
                                 kLoadTimeout);
        QTRY_COMPARE(requestedUrls(Target::Main).last(), url("page2.html?via=opener"));
    }

    void cancelledNavigationNeverReachesTheServer()
    {
        connect(main_.get(), &Browser::beforeNavigate2, record_.get(),
                [](NavigationRequest& request) {
                    if (request.url().contains(QStringLiteral("/forbidden/")))
                        request.cancel();
                });
        QVERIFY(load(*main_, url("index.html")));
        QSignalSpy loaded(main_->page(), &QWebEnginePage::loadFinished);
        main_->page()->runJavaScript(
            QStringLiteral("document.getElementById('cancelled').click()"));
        QVERIFY(loaded.wait(kLoadTimeout));
        QVERIFY(!loaded.first().first().toBool());
        QVERIFY(!lastRequest(QStringLiteral("/forbidden/")).url.isEmpty());
        // Let anything that did go out arrive before looking.
        QVERIFY(load(*main_, url("page2.html")));
        QVERIFY(server_->requestsTo("/forbidden").isEmpty());
        QCOMPARE(main_->locationUrl(), url("page2.html"));
    }
};

int main(int argc, char* argv[])
{
    // Browsing must leave nothing in the user's home: give the engine an empty one to watch.
    const EmptyHome home;
    keepCachesOffDisk();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int status = 0;
    {
        FixtureServer helpServer(QStringLiteral(FIXTURES_DIR));
        TestWebEngineBrowser test(helpServer.url(QStringLiteral("help.html")));
        status = QTest::qExec(&test, argc, argv);
    }
    return home.check(status);
}

#include "tst_webengine_browser.moc"
