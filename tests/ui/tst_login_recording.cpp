#include "../support/engine_window.h"
#include "../support/named_child.h"
#include "../support/prompt_server.h"
#include "../support/scripted_prompts.h"

#include "output/sequence_document.h"
#include "ui/control_panel.h"
#include "webengine/page_prompts.h"

#include <QApplication>

using namespace waytrace;

// Logging in while recording in the main window: the step's record carries the credentials,
// the control panel shows them and the saved document carries them.
class TestLoginRecording : public QObject
{
    Q_OBJECT

private slots:
    void loginFillsTheRecordAndThePanel()
    {
        PromptServer site;
        EngineWindow w;
        const auto prompts = std::make_shared<ScriptedPrompts>();
        prompts->logins = {LoginAnswer{QStringLiteral("alice"), QStringLiteral("secret"), true}};
        auto* browser = static_cast<WebEngineBrowser*>(w.pageBrowser());
        browser->session()->pagePrompts().setPrompts(prompts);

        const QString address = site.url(QStringLiteral("/protected"));
        QVERIFY(loads(w.pageBrowser(), address, [&] { w.typeAddress(address); }));
        QCOMPARE(prompts->loginQuestions.size(), 1);
        const auto record = w.form->sequence().at(w.form->sequence().count() - 1);
        QCOMPARE(QString::fromStdU16String(record->urlAddress), address);
        QCOMPARE(record->userName, u"alice");
        QCOMPARE(record->password, u"secret");

        auto& panel = w.form->controlPanel();
        QCOMPARE(child<QLineEdit>(panel, "userNameEdit")->text(), QStringLiteral("alice"));
        QCOMPARE(child<QLineEdit>(panel, "passwordEdit")->text(), QStringLiteral("secret"));
        const auto document = buildSequenceDocument(w.form->sequence());
        QVERIFY(document.find(u"alice") != std::u16string::npos);
        QVERIFY(document.find(u"secret") != std::u16string::npos);
    }
};

WAYTRACE_ENGINE_TEST_MAIN(TestLoginRecording)
#include "tst_login_recording.moc"
