#include "../support/prompt_server.h"
#include "../support/scripted_prompts.h"

#include "tools/record/record_session.h"
#include "webengine/page_prompts.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>

#include <memory>

using namespace waytrace;

// A proxy that wants a login: the engine reads its proxy once, so this runs on its own.
class TestProxyLogin : public QObject
{
    Q_OBJECT

public:
    explicit TestProxyLogin(PromptServer& proxy) : proxy_(proxy) {}

private:
    struct Outcome
    {
        QList<LoginQuestion> questions;
        bool loaded = false;
        std::size_t records = 0;
        bool recordHasCredentials = false;
    };

    // One run: a page on a site behind the proxy, answered with `answers`.
    Outcome load(QList<std::optional<LoginAnswer>> answers)
    {
        const auto session = WebEngineSession::create();
        const auto prompts = std::make_shared<ScriptedPrompts>();
        prompts->logins = std::move(answers);
        session->pagePrompts().setPrompts(prompts);
        Outcome outcome;
        {
            WebEngineBrowser main(session);
            WebEngineBrowser popup(session);
            RecordSession record(main, popup, QStringLiteral("http://127.0.0.1:1/help"));
            QSignalSpy finished(main.page(), &QWebEnginePage::loadFinished);
            main.navigate(QStringLiteral("http://site.test/behind"));
            outcome.loaded = finished.wait(15000) && finished.last().value(0).toBool() &&
                             main.page()->title() == QStringLiteral("ok");
            outcome.records = record.sequence().count();
            outcome.recordHasCredentials =
                outcome.records > 0 && !record.sequence().at(0)->userName.empty();
        }
        outcome.questions = prompts->loginQuestions;
        return outcome;
    }

private slots:
    void cancelSendsNoCredentials()
    {
        const auto outcome = load({});
        QCOMPARE(outcome.questions.size(), 1);
        QVERIFY(outcome.questions.first().proxy);
        QCOMPARE(outcome.questions.first().realm, QStringLiteral("Gateway"));
        QVERIFY(!outcome.loaded);
        QVERIFY(proxy_.requests().size() <= 2);
        for (const auto& request : proxy_.requests())
            QVERIFY(request.proxyAuthorization.isEmpty());
    }

    void loginGoesThroughAndStaysOutOfTheRecord()
    {
        const auto outcome = load({LoginAnswer{QStringLiteral("bob"), QStringLiteral("proxy")}});
        QVERIFY(outcome.loaded);
        QCOMPARE(outcome.questions.size(), 1);
        QVERIFY(outcome.questions.first().host.startsWith(QStringLiteral("127.0.0.1")));
        QCOMPARE(outcome.records, 1u);
        // The proxy's login belongs to this network, not to the monitored site.
        QVERIFY(!outcome.recordHasCredentials);
        QCOMPARE(proxy_.requests().last().proxyAuthorization, QByteArray(kGoodProxyAuthorization));
    }

private:
    PromptServer& proxy_;
};

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    PromptServer proxy;
    // Read when the engine starts, at the first session. Loopback addresses would bypass a
    // proxy by default; the site's name resolves nowhere but at the proxy.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                                              " --proxy-server=" + proxy.url(QString()).toLatin1() +
                                              " --proxy-bypass-list=<-loopback>");
    TestProxyLogin test(proxy);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_proxy_login.moc"
