#include "../support/prompt_server.h"
#include "../support/scripted_prompts.h"

#include "tools/record/record_session.h"
#include "webengine/page_prompts.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWidget>

#include <csignal>
#include <memory>
#include <optional>

using namespace waytrace;

namespace {

constexpr int kLoadTimeout = 15000;

// One run of the browser: a session of its own, so no decision of another run carries over.
struct Run
{
    explicit Run(const QString& helpUrl = QStringLiteral("http://127.0.0.1:1/help"))
        : session(WebEngineSession::create()), main(std::make_unique<WebEngineBrowser>(session)),
          popup(std::make_unique<WebEngineBrowser>(session)),
          record(std::make_unique<RecordSession>(*main, *popup, helpUrl)),
          prompts(std::make_shared<ScriptedPrompts>())
    {
        session->pagePrompts().setPrompts(prompts);
        main->widget()->resize(800, 600);
        main->widget()->show();
    }

    ~Run()
    {
        record.reset();
        popup.reset();
        main.reset(); // the pages before the session's profile
    }

    // Loads `url` and waits for the top page to finish, well or not.
    bool load(const QString& url)
    {
        QSignalSpy finished(main->page(), &QWebEnginePage::loadFinished);
        main->navigate(url);
        return finished.wait(kLoadTimeout) && finished.last().value(0).toBool();
    }

    // The script's value, once the page has answered.
    QVariant evaluate(const QString& script) const
    {
        // Shared with the callback, which may come after a failed wait has returned.
        const auto result = std::make_shared<std::optional<QVariant>>();
        main->page()->runJavaScript(script, [result](const QVariant& value) { *result = value; });
        for (int waited = 0; !*result && waited < kLoadTimeout; waited += 20)
            QTest::qWait(20);
        return result->value_or(QVariant());
    }

    QString title() const { return main->page()->title(); }

    QString bodyText() const
    {
        return evaluate(QStringLiteral("document.body.innerText")).toString();
    }

    std::shared_ptr<WebEngineSession> session;
    std::unique_ptr<WebEngineBrowser> main;
    std::unique_ptr<WebEngineBrowser> popup;
    std::unique_ptr<RecordSession> record;
    std::shared_ptr<ScriptedPrompts> prompts;
};

LoginAnswer answer(const QString& user, const QString& password)
{
    return {user, password, true};
}

} // namespace

class TestBrowserPrompts : public QObject
{
    Q_OBJECT

private slots:
    void loginWithGoodCredentialsFillsTheRecord()
    {
        PromptServer server;
        Run run;
        run.prompts->logins = {answer("alice", "secret")};
        QVERIFY(run.load(server.url("/protected")));
        QCOMPARE(run.title(), QStringLiteral("ok"));

        QCOMPARE(run.prompts->loginQuestions.size(), 1);
        const auto& question = run.prompts->loginQuestions.first();
        QCOMPARE(question.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(question.realm, QStringLiteral("Staff area"));
        QVERIFY(!question.secure);
        QVERIFY(!question.proxy);
        QVERIFY(!question.retry);

        const auto requests = server.requestsTo("/protected");
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[0].authorization.isEmpty());
        QCOMPARE(requests[1].authorization, QByteArray(kGoodAuthorization));

        QCOMPARE(run.record->sequence().count(), 1u);
        const auto record = run.record->sequence().at(0);
        QCOMPARE(record->userName, u"alice");
        QCOMPARE(record->password, u"secret");
    }

    void wrongThenGoodCredentialsAskAgainWithTheUserName()
    {
        PromptServer server;
        Run run;
        run.prompts->logins = {answer("alice", "guess"), answer("alice", "secret")};
        QVERIFY(run.load(server.url("/protected")));
        QCOMPARE(run.title(), QStringLiteral("ok"));
        QCOMPARE(run.prompts->loginQuestions.size(), 2);
        QVERIFY(run.prompts->loginQuestions[1].retry);
        QCOMPARE(run.prompts->loginQuestions[1].userName, QStringLiteral("alice"));
        // One request per answer and the first without any: nothing the user did not type.
        QList<QByteArray> sent;
        for (const auto& request : server.requestsTo("/protected"))
            sent.append(request.authorization);
        QCOMPARE(sent, (QList<QByteArray>{"", "Basic YWxpY2U6Z3Vlc3M=", kGoodAuthorization}));
        QCOMPARE(run.record->sequence().at(0)->password, u"secret");
    }

    void cancelShowsTheRefusalAndNeverRetries()
    {
        PromptServer server;
        Run run;
        run.load(server.url("/protected"));
        QTest::qWait(500); // a retry would come within this
        QCOMPARE(run.prompts->loginQuestions.size(), 1);
        const auto requests = server.requestsTo("/protected");
        QVERIFY2(requests.size() <= 2, QByteArray::number(requests.size()));
        for (const auto& request : requests)
            QVERIFY(request.authorization.isEmpty());
        QVERIFY(run.bodyText().contains(QStringLiteral("no entry")));
        // Still recorded as the navigation it was, without credentials.
        QCOMPARE(run.record->sequence().count(), 1u);
        QVERIFY(run.record->sequence().at(0)->userName.empty());
    }

    void certificateCancelKeepsThePageFromTheServer()
    {
        PromptServer server(true);
        Run run;
        QVERIFY(!run.load(server.url("/secure")));
        QCOMPARE(run.prompts->certificateQuestions.size(), 1);
        const auto& question = run.prompts->certificateQuestions.first();
        QCOMPARE(question.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(question.problem, CertificateProblem::SelfSigned);
        QCOMPARE(question.subject, QStringLiteral("127.0.0.1, Waytrace Test"));
        QCOMPARE(question.issuer, question.subject);
        QVERIFY(question.validFrom < question.validUntil);
        QCOMPARE(question.fingerprint.toLatin1(), server.certificateFingerprint());
        QVERIFY(server.requests().isEmpty());
    }

    void certificateContinueHoldsForTheRunOnly()
    {
        PromptServer server(true);
        {
            Run run;
            run.prompts->certificates = {true};
            QVERIFY(run.load(server.url("/secure")));
            QCOMPARE(run.title(), QStringLiteral("ok"));
            QVERIFY(run.load(server.url("/again")));
            QCOMPARE(run.prompts->certificateQuestions.size(), 1);
            QCOMPARE(server.requestsTo("/secure").size(), 1);
            // What the session hands to its test runs.
            QVERIFY(run.session->acceptedCertificates()->isAccepted(
                QStringLiteral("127.0.0.1"), QString::fromLatin1(server.certificateFingerprint())));
        }
        Run next;
        QVERIFY(!next.session->acceptedCertificates()->isAccepted(
            QStringLiteral("127.0.0.1"), QString::fromLatin1(server.certificateFingerprint())));
        QVERIFY(!next.load(server.url("/secure")));
        QCOMPARE(next.prompts->certificateQuestions.size(), 1);
        QCOMPARE(server.requestsTo("/secure").size(), 1);
    }

    void downloadIsSavedWhereTheUserSays()
    {
        PromptServer server;
        QTemporaryDir folder;
        Run run;
        QVERIFY(run.load(server.url("/start")));
        const QString target = folder.filePath(QStringLiteral("saved.csv"));
        run.prompts->downloadPaths = {target};
        run.main->navigate(server.url("/download"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile(target).size() == qint64(sizeof kDownloadContent - 1),
                                 kLoadTimeout);
        QCOMPARE(run.prompts->proposedPaths.size(), 1);
        QVERIFY(run.prompts->proposedPaths.first().endsWith(QStringLiteral("/report.csv")));
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray(kDownloadContent));

        // Cancelled, it saves nothing; the browser goes on; both stay recorded steps.
        run.main->navigate(server.url("/download"));
        QTRY_COMPARE_WITH_TIMEOUT(run.prompts->proposedPaths.size(), 2, kLoadTimeout);
        QVERIFY(run.load(server.url("/after")));
        QCOMPARE(folder.path() + QStringLiteral("/saved.csv"), target);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 1);
        QStringList recorded;
        for (const auto& record : run.record->sequence())
            recorded.append(QString::fromStdU16String(record->urlAddress));
        QCOMPARE(recorded, (QStringList{server.url("/start"), server.url("/download"),
                                        server.url("/download"), server.url("/after")}));
    }

    void killedRendererOffersAReloadThatRecordsOn()
    {
        PromptServer server;
        Run run;
        QVERIFY(run.load(server.url("/page")));
        const auto pid = run.main->page()->renderProcessPid();
        QVERIFY(pid > 0);
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(run.prompts->reload != nullptr, kLoadTimeout);

        QSignalSpy finished(run.main->page(), &QWebEnginePage::loadFinished);
        run.prompts->reload();
        QVERIFY(finished.wait(kLoadTimeout));
        QCOMPARE(run.title(), QStringLiteral("ok"));
        QVERIFY(run.load(server.url("/next")));
        QCOMPARE(run.record->sequence().count(), 3u);
    }

    void pageDialogsAreAnsweredAndPermissionsDenied()
    {
        PromptServer server;
        Run run;
        QVERIFY(run.load(server.url("/page")));
        run.prompts->confirmAnswer = true;
        run.prompts->promptAnswer = QStringLiteral("typed");
        QCOMPARE(run.evaluate(QStringLiteral(
                     "alert('hello'); [confirm('sure?'), prompt('name?', 'x')].join('|')")),
                 QVariant(QStringLiteral("true|typed")));
        QCOMPARE(run.prompts->dialogs,
                 (QStringList{"alert 127.0.0.1 hello", "confirm 127.0.0.1 sure?",
                              "prompt 127.0.0.1 name? x"}));

        // Leaving a page that asks first, after the user has touched it as the engine requires.
        run.evaluate(QStringLiteral(
            "window.onbeforeunload = e => { e.preventDefault(); e.returnValue = ''; }; 0"));
        auto* surface = run.main->widget()->focusProxy();
        QVERIFY(surface);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_COMPARE_WITH_TIMEOUT(
            run.evaluate(QStringLiteral("navigator.userActivation.hasBeenActive")), QVariant(true),
            kLoadTimeout);
        QVERIFY(run.load(server.url("/left")));
        QCOMPARE(run.prompts->dialogs.value(3), QStringLiteral("leave 127.0.0.1"));

        run.evaluate(
            QStringLiteral("Notification.requestPermission().then(p => window.answered = p); 0"));
        QTRY_COMPARE_WITH_TIMEOUT(run.evaluate(QStringLiteral("window.answered || ''")),
                                  QVariant(QStringLiteral("denied")), kLoadTimeout);
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestBrowserPrompts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser_prompts.moc"
