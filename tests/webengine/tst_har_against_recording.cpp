// A flow recorded on the real engine, and what depends on it: each step keeps what its page
// showed; a HAR that Chromium saved of the same flow, and that file in Firefox's shape, import
// as the same sequence (the files were made from these fixture pages by
// tests/fixtures/har/make_har_files.mjs); recording into the middle puts new pages in place.

#include "../support/empty_home.h"
#include "fixture_server.h"

#include "files/har_import.h"
#include "tools/record/record_session.h"
#include "webengine/disk_caches.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWidget>

#include <memory>

using namespace waytrace;

namespace {

constexpr int kLoadTimeout = 15000;
const QString kHelpUrl = QStringLiteral("http://127.0.0.1:1/help.html");

} // namespace

class TestHarAgainstRecording : public QObject
{
    Q_OBJECT

    bool load(const QString& path)
    {
        QSignalSpy loaded(main_->page(), &QWebEnginePage::loadFinished);
        main_->navigate(server_->url(path));
        return loaded.wait(kLoadTimeout);
    }

    // Runs page script, as a click would act, and waits for `browser`'s next load.
    bool act(const QString& script, WebEngineBrowser* browser = nullptr)
    {
        QSignalSpy loaded((browser ? browser : main_.get())->page(), &QWebEnginePage::loadFinished);
        main_->page()->runJavaScript(script);
        return loaded.wait(kLoadTimeout);
    }

    std::unique_ptr<FixtureServer> server_;
    std::shared_ptr<WebEngineSession> session_;
    std::unique_ptr<WebEngineBrowser> main_;
    std::unique_ptr<WebEngineBrowser> popup_;
    std::unique_ptr<RecordSession> record_;

private slots:
    // The flow once, recorded by the program.
    void initTestCase()
    {
        server_ = std::make_unique<FixtureServer>(QStringLiteral(FIXTURES_DIR));
        session_ = WebEngineSession::create();
        main_ = std::make_unique<WebEngineBrowser>(session_);
        popup_ = std::make_unique<WebEngineBrowser>(session_);
        main_->widget()->show();
        record_ = std::make_unique<RecordSession>(*main_, *popup_, kHelpUrl);

        QVERIFY(load(QStringLiteral("shop/catalogue.html")));
        QVERIFY(act(QStringLiteral("document.getElementById('login').click()")));
        QVERIFY(act(QStringLiteral("document.getElementById('go').click()")));
        main_->page()->runJavaScript(QStringLiteral("fetch('/api/cart.json')"));
        QTRY_VERIFY(!server_->requestsTo("/api/cart.json").isEmpty());
        QVERIFY(load(QStringLiteral("redirect/page2.html")));
        QVERIFY(load(QStringLiteral("frames.html")));
        QVERIFY(load(QStringLiteral("forms.html")));
        QVERIFY(act(QStringLiteral("document.getElementById('urlencodedgo').click()")));
        QVERIFY(load(QStringLiteral("forms.html")));
        QVERIFY(act(QStringLiteral("document.getElementById('plaingo').click()")));
        QVERIFY(load(QStringLiteral("cs/shift_jis/charsets.html")));
        QVERIFY(act(QStringLiteral("document.getElementById('p1').value = '日本語';"
                                   "document.getElementById('plain').requestSubmit()")));
        QVERIFY(load(QStringLiteral("forms.html")));
        QVERIFY(act(QStringLiteral(
            "const files = new DataTransfer();"
            "files.items.add(new File(['ab\\n'], 'notes.txt', {type: 'text/plain'}));"
            "document.querySelector('#multipart input[type=file]').files = files.files;"
            "document.getElementById('multipartgo').click()")));
        QVERIFY(act(QStringLiteral("const form = document.createElement('form');"
                                   "form.method = 'post'; form.action = '/r/307/submit/moved?x=1';"
                                   "form.innerHTML = '<input name=\"a\" value=\"b c\">';"
                                   "document.body.append(form); form.submit()")));
        QVERIFY(load(QStringLiteral("shop/order.html")));
        QVERIFY(act(QStringLiteral("document.getElementById('confirm').click()"), popup_.get()));
        QCOMPARE(record_->sequence().count(), 18u);
    }

    void cleanupTestCase()
    {
        record_.reset();
        popup_.reset();
        main_.reset();
        session_.reset();
    }

    // Each step keeps what its top page showed: where a redirect took it, its title, its text;
    // a frame's step has none of its own.
    void stepsKeepWhatTheirPagesShowed()
    {
        const auto& sequence = record_->sequence();
        const auto seen = [&](std::size_t step) { return sequence.at(step - 1)->seen; };
        QVERIFY(seen(1) && seen(3) && seen(4) && seen(5));
        QCOMPARE(seen(1)->status, 200);
        QCOMPARE(QString::fromStdU16String(seen(1)->title), "Catalogue");
        QVERIFY(!seen(1)->fingerprint.empty());
        QCOMPARE(QString::fromStdU16String(seen(3)->title), "done"); // the login's answer
        QCOMPARE(QString::fromStdU16String(seen(4)->finalUrl), server_->url("page2.html"));
        QCOMPARE(QString::fromStdU16String(seen(4)->title), "Second");
        QCOMPARE(QString::fromStdU16String(seen(5)->title), "Frames");
        QVERIFY(!seen(6) && !seen(7));
        QTRY_VERIFY(seen(18)); // in the new window, described after its load
        QCOMPARE(QString::fromStdU16String(seen(18)->title), "done");
    }

    void harFilesImportAsRecorded_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("Chromium") << QStringLiteral("chromium_flow.har");
        QTest::newRow("Firefox") << QStringLiteral("firefox_flow.har");
    }

    void harFilesImportAsRecorded()
    {
        QFETCH(QString, file);
        QFile source(QStringLiteral(FIXTURES_DIR "/har/") + file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll().replace(
            "127.0.0.1:8123", "127.0.0.1:" + QByteArray::number(server_->port()));
        const auto imported = importHar(bytes, kHelpUrl);
        QVERIFY(std::holds_alternative<HarImport>(imported));
        const auto& har = std::get<HarImport>(imported);
        QCOMPARE(har.notPages, 1);
        QCOMPARE(har.redirectFollowUps, 2);
        // The Shift_JIS text decoded as UTF-8, and the multipart body with a file left out.
        QCOMPARE(har.inexactBodies, (std::vector<int>{13, 15}));

        const auto& recorded = record_->sequence();
        QCOMPARE(har.records.size(), recorded.count());
        for (std::size_t step = 1; step <= recorded.count(); ++step) {
            const auto& got = *har.records[step - 1];
            const auto& want = *recorded.at(step - 1);
            QCOMPARE(QString::fromStdU16String(got.urlAddress),
                     QString::fromStdU16String(want.urlAddress));
            QCOMPARE(got.method, want.method);
            if (std::ranges::find(har.inexactBodies, static_cast<int>(step)) !=
                har.inexactBodies.end())
                continue;
            QCOMPARE(QString::fromStdU16String(got.postBody),
                     QString::fromStdU16String(want.postBody));
            QCOMPARE(QString::fromStdU16String(got.headers),
                     QString::fromStdU16String(want.headers));
        }
    }

    // Recording after the first step puts the new pages between it and the second, in order,
    // each with what it showed.
    void recordingIntoTheMiddle()
    {
        auto& sequence = record_->sequence();
        const auto count = sequence.count();
        QVERIFY(sequence.recordAfter(1));
        QVERIFY(load(QStringLiteral("page2.html")));
        QVERIFY(load(QStringLiteral("forms.html")));
        sequence.recordAtEnd();
        QCOMPARE(sequence.count(), count + 2);
        QCOMPARE(QString::fromStdU16String(sequence.at(1)->urlAddress), server_->url("page2.html"));
        QCOMPARE(QString::fromStdU16String(sequence.at(2)->urlAddress), server_->url("forms.html"));
        QCOMPARE(QString::fromStdU16String(sequence.at(3)->urlAddress),
                 server_->url("shop/login.html"));
        QTRY_VERIFY(sequence.at(2)->seen);
        QCOMPARE(QString::fromStdU16String(sequence.at(2)->seen->title), "Forms");
    }
};

int main(int argc, char* argv[])
{
    const EmptyHome home;
    keepCachesOffDisk();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestHarAgainstRecording test;
    return home.check(QTest::qExec(&test, argc, argv));
}

#include "tst_har_against_recording.moc"
