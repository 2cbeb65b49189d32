#include "recording/recorder.h"
#include "ui/certificate_dialog.h"
#include "ui/dialog_prompts.h"
#include "ui/login_dialog.h"
#include "ui/text.h"

#include "../support/named_child.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>

using namespace waytrace;

namespace {

struct Language
{
    explicit Language(int id) { forceInterfaceLanguage(id); }
    ~Language() { forceInterfaceLanguage(std::nullopt); }
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;
};

LoginQuestion loginQuestion()
{
    LoginQuestion question;
    question.url = QUrl(QStringLiteral("http://intranet.example/staff/"));
    question.host = QStringLiteral("intranet.example");
    question.realm = QStringLiteral("Staff area");
    return question;
}

CertificateQuestion certificateQuestion(CertificateProblem problem)
{
    return {QStringLiteral("intranet.example"),
            problem,
            QStringLiteral("intranet.example"),
            QStringLiteral("Intranet Root"),
            QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc()),
            QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59), QTimeZone::utc()),
            QStringLiteral("00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:"
                           "FF:EE:DD:CC:BB:AA:99:88:77:66:55:44:33:22:11:00")};
}

void saveScreenshot(QWidget& widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(SCREENSHOT_DIR));
    widget.grab().save(QStringLiteral(SCREENSHOT_DIR "/%1.png").arg(name));
}

} // namespace

class TestBrowserDialogs : public QObject
{
    Q_OBJECT

private slots:
    void loginShowsWhatIsAskedAndReturnsWhatIsTyped()
    {
        Language language(kEnglish);
        LoginDialog dialog(loginQuestion());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Authentication Required"));
        QCOMPARE(child<QLabel>(dialog, "hostValue")->text(), QStringLiteral("intranet.example"));
        QCOMPARE(child<QLabel>(dialog, "realmValue")->text(), QStringLiteral("Staff area"));
        // What the site names is shown as it is: markup in it cannot pass for the dialog's own.
        QCOMPARE(child<QLabel>(dialog, "realmValue")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>(dialog, "connectionValue")->text(),
                 QStringLiteral("Not secure: the password is sent unencrypted"));
        QCOMPARE(child<QLineEdit>(dialog, "passwordEdit")->echoMode(), QLineEdit::Password);
        QVERIFY(child<QCheckBox>(dialog, "keepForSequenceCheck")->isChecked());
        QCOMPARE(child<QCheckBox>(dialog, "keepForSequenceCheck")->text(),
                 QStringLiteral("Use these credentials for this URL in the sequence"));
        QVERIFY(child<QLabel>(dialog, "refusedLabel")->isHidden());

        dialog.show();
        QTest::keyClicks(child<QLineEdit>(dialog, "userNameEdit"), QStringLiteral("alice"));
        QTest::keyClicks(child<QLineEdit>(dialog, "passwordEdit"), QStringLiteral("s3cret & more"));
        QTest::mouseClick(child<QCheckBox>(dialog, "keepForSequenceCheck"), Qt::LeftButton);
        saveScreenshot(dialog, QStringLiteral("login-en"));
        QTest::keyClick(child<QLineEdit>(dialog, "passwordEdit"), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const auto answer = dialog.answer();
        QCOMPARE(answer.userName, QStringLiteral("alice"));
        QCOMPARE(answer.password, QStringLiteral("s3cret & more"));
        QVERIFY(!answer.keepForSequence);
    }

    void loginAgainAfterARefusal()
    {
        Language language(kJapanese);
        auto question = loginQuestion();
        question.secure = true;
        question.retry = true;
        question.userName = QStringLiteral("alice");
        LoginDialog dialog(question);
        dialog.show();
        QVERIFY(!child<QLabel>(dialog, "refusedLabel")->isHidden());
        QCOMPARE(child<QLabel>(dialog, "refusedLabel")->text(), loadText(168));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("認証が必要です"));
        QCOMPARE(child<QLabel>(dialog, "connectionValue")->text(), loadText(165));
        QCOMPARE(child<QLineEdit>(dialog, "userNameEdit")->text(), QStringLiteral("alice"));
        QCOMPARE(dialog.focusWidget(), child<QLineEdit>(dialog, "passwordEdit"));
        saveScreenshot(dialog, QStringLiteral("login-retry-ja"));
    }

    void proxyLoginIsNotForTheSequence()
    {
        Language language(kSimplifiedChinese);
        auto question = loginQuestion();
        question.proxy = true;
        question.host = QStringLiteral("proxy.example");
        LoginDialog dialog(question);
        QCOMPARE(child<QLabel>(dialog, "requestLabel")->text(),
                 QStringLiteral("代理服务器要求输入用户名和密码。"));
        QVERIFY(child<QCheckBox>(dialog, "keepForSequenceCheck")->isHidden());
        QVERIFY(!dialog.answer().keepForSequence);
    }

    void certificateShowsTheCertificateAndCancelIsTheDefault()
    {
        Language language(kEnglish);
        CertificateDialog dialog(certificateQuestion(CertificateProblem::SelfSigned));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Certificate Problem"));
        QCOMPARE(child<QLabel>(dialog, "hostValue")->text(), QStringLiteral("intranet.example"));
        QCOMPARE(child<QLabel>(dialog, "issuerValue")->text(), QStringLiteral("Intranet Root"));
        QCOMPARE(child<QLabel>(dialog, "issuerValue")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>(dialog, "validFromValue")->text(),
                 QStringLiteral("2026-01-01 00:00:00 UTC"));
        QCOMPARE(child<QLabel>(dialog, "validUntilValue")->text(),
                 QStringLiteral("2026-12-31 23:59:59 UTC"));
        QCOMPARE(child<QLabel>(dialog, "fingerprintValue")->text(),
                 QStringLiteral("00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF\n"
                                "FF:EE:DD:CC:BB:AA:99:88:77:66:55:44:33:22:11:00"));
        QCOMPARE(child<QPushButton>(dialog, "continueButton")->text(), QStringLiteral("Continue"));
        dialog.show();
        saveScreenshot(dialog, QStringLiteral("certificate-en"));
        QVERIFY(child<QPushButton>(dialog, "cancelButton")->isDefault());
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        CertificateDialog again(certificateQuestion(CertificateProblem::SelfSigned));
        again.show();
        QTest::mouseClick(child<QPushButton>(again, "continueButton"), Qt::LeftButton);
        QCOMPARE(again.result(), int(QDialog::Accepted));
    }

    void credentialsGoToTheStepOfTheLogin_data()
    {
        QTest::addColumn<QString>("loginUrl");
        QTest::addColumn<int>("position"); // 0: none
        QTest::newRow("its address, the newest of two") << "http://a.example/x" << 3;
        QTest::newRow("fragment aside") << "http://a.example/x#top" << 3;
        QTest::newRow("after a redirect: newest on that server") << "http://a.example/in" << 4;
        QTest::newRow("another port") << "http://a.example:81/x" << 0;
        QTest::newRow("another scheme") << "https://a.example/x" << 0;
    }

    void credentialsGoToTheStepOfTheLogin()
    {
        QFETCH(QString, loginUrl);
        QFETCH(int, position);
        RecordedSequence sequence;
        for (const auto* address :
             {u"http://a.example/x", u"http://b.example/", u"http://a.example/x",
              u"http://a.example/y", u"http://b.example/z"}) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = address;
            sequence.append(record);
        }
        const auto stored =
            storeCredentials(sequence, loginUrl, QStringLiteral("alice"), QStringLiteral("secret"));
        QCOMPARE(stored, position ? sequence.at(position - 1) : nullptr);
        for (std::size_t i = 1; i <= sequence.count(); ++i) {
            const bool filled = int(i) == position;
            QCOMPARE(sequence.at(i - 1)->userName, filled ? u"alice" : u"");
            QCOMPARE(sequence.at(i - 1)->password, filled ? u"secret" : u"");
        }
    }

    void deadPageCoversTheViewUntilReload()
    {
        Language language(kEnglish);
        QWidget view;
        view.resize(400, 300);
        view.show();
        int reloads = 0;
        DialogPrompts().pageDied(&view, [&reloads] { ++reloads; });
        auto* notice = view.findChild<DeadPageNotice*>();
        QVERIFY(notice);
        QCOMPARE(notice->geometry(), view.rect());
        view.resize(500, 350);
        QCOMPARE(notice->geometry(), view.rect());
        QCOMPARE(child<QLabel>(*notice, "messageLabel")->text(), loadText(183));
        saveScreenshot(view, QStringLiteral("dead-page-en"));
        QTest::mouseClick(child<QPushButton>(*notice, "reloadButton"), Qt::LeftButton);
        QCOMPARE(reloads, 1);
        QTRY_VERIFY(!view.findChild<DeadPageNotice*>());
    }
};

QTEST_MAIN(TestBrowserDialogs)
#include "tst_browser_dialogs.moc"
