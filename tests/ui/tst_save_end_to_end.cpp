#include "../support/engine_window.h"
#include "../support/user_input.h"

#include "fixture_server.h"

#include "ui/control_panel.h"
#include "ui/popup_window.h"
#include "ui/upload_dialog.h"

#include "../support/modal_answer.h"
#include "../support/named_child.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListView>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

using namespace waytrace;

namespace {

QJsonArray acceptedBy(const StandinProcess& standin)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(standin.base() + "/sequences")));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).array();
}

struct DialogInput
{
    QString host = QStringLiteral("127.0.0.1");
    QString port;
    QString user = QStringLiteral("admin");
    QString password = QStringLiteral("admin");
};

// Saves through the button; the dialog is filled key by key once it shows.
void saveThroughTheDialog(EngineWindow& w, const DialogInput& input, const QString& shotPath = {})
{
    ModalAnswer<UploadDialog> answer([&](UploadDialog& dialog) {
        const auto box = [&](const char* name) { return dialog.findChild<QLineEdit*>(name); };
        retype(box("sequenceNameEdit"), QStringLiteral("Shop & check \u65E5\u672C"));
        retype(box("pollIntervalEdit"), QStringLiteral("10"));
        retype(box("hostEdit"), input.host);
        retype(box("portEdit"), input.port);
        retype(box("userEdit"), input.user);
        retype(box("passwordEdit"), input.password);
        if (!shotPath.isEmpty())
            dialog.grab().save(shotPath);
        QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>(*w.form, "saveButton"), Qt::LeftButton);
    QVERIFY(answer.finished());
}

} // namespace

class TestSaveEndToEnd : public QObject
{
    Q_OBJECT

private:
    // A shop visit: a GET, a link, a form login by POST, and an order posted into a new window.
    void recordTransaction(EngineWindow& w, const FixtureServer& pages)
    {
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);
        auto* browser = w.pageBrowser();
        const auto click = [browser](const char* id) {
            EngineWindow::run(browser,
                              QStringLiteral("document.getElementById('%1').click()").arg(id));
        };
        QVERIFY(loads(browser, pages.url("shop/catalogue.html"),
                      [&] { w.typeAddress(pages.url("shop/catalogue.html")); }));
        QVERIFY(loads(browser, pages.url("shop/login.html"), [&] { click("login"); }));
        QVERIFY(loads(browser, pages.url("shop/login.do"), [&] { click("go"); }));
        QVERIFY(loads(browser, pages.url("shop/order.html"),
                      [&] { w.typeAddress(pages.url("shop/order.html")); }));
        click("confirm");
        QTRY_COMPARE_WITH_TIMEOUT(w.form->sequence().count(), 5u, kLoadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(w.form->popup().windowTitle().endsWith("/shop/confirm.do"),
                                 kLoadTimeoutMs);
    }

private slots:
    void recordEditSaveAndStartAfresh()
    {
        FixtureServer pages(QStringLiteral(FIXTURES_DIR));
        EngineWindow w;
        recordTransaction(w, pages);

        // Label and conditions through the panel, as a user types and picks them.
        auto& panel = w.form->controlPanel();
        panel.reloadList();
        selectEntry(panel, 0);
        typeText(child<QLineEdit>(panel, "urlLabelEdit"), QStringLiteral("Catalogue \"A&B\""));
        QTest::keyClicks(child<QLineEdit>(panel, "requiredKeywordsEdit"),
                         QStringLiteral("Products"));
        selectEntry(panel, 2);
        QTest::keyClicks(child<QLineEdit>(panel, "urlLabelEdit"), QStringLiteral("Log in"));
        QTest::keyClicks(child<QLineEdit>(panel, "forbiddenKeywordsEdit"),
                         QStringLiteral("Error <b>"));
        child<QComboBox>(panel, "responseConditionBox")->setFocus();
        QTest::keyClick(child<QComboBox>(panel, "responseConditionBox"),
                        Qt::Key_Down); // "Equal to"
        child<QComboBox>(panel, "responseCodeBox")->setFocus();
        QTest::keyClick(child<QComboBox>(panel, "responseCodeBox"), Qt::Key_Down);
        const int pickedCode = child<QComboBox>(panel, "responseCodeBox")->currentText().toInt();
        QTest::keyClicks(child<QLineEdit>(panel, "userNameEdit"), QStringLiteral("basic+user"));
        QTest::keyClicks(child<QLineEdit>(panel, "passwordEdit"), QStringLiteral("p%ss"));

        const QString shots = QStringLiteral(SCREENSHOT_DIR);
        QDir().mkpath(shots);
        saveThroughTheDialog(w, {.port = QString::number(w.standin.port())},
                             shots + "/upload_dialog_filled.png");
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.size(), 1, kLoadTimeoutMs);
        QCOMPARE(w.messages[0].title, QStringLiteral("Waytrace"));
        QCOMPARE(w.messages[0].text,
                 QStringLiteral("URL Transaction has been created.You can view the newly created "
                                "sequence  in the webclient"));
        const auto box = makeMessageBox(w.form.get(), w.messages[0].title, w.messages[0].text);
        box->show(); // laid out as the user sees it
        QTest::qWait(100);
        box->grab().save(shots + "/upload_success_message.png");
        box->close();

        // A new, empty sequence; Save is on again.
        QCOMPARE(w.form->sequence().count(), 0u);
        QCOMPARE(child<QListView>(panel, "urlList")->model()->rowCount(), 0);
        QCOMPARE(w.addressEdit()->text(), QStringLiteral("about:blank"));
        QVERIFY(child<QPushButton>(*w.form, "saveButton")->isEnabled());

        // What the server decoded is what was recorded and typed.
        const auto accepted = acceptedBy(w.standin);
        QCOMPARE(accepted.size(), 1);
        const auto fields = accepted[0]["fields"].toObject();
        QCOMPARE(fields["version"].toString(), QStringLiteral("6.0.3"));
        QCOMPARE(fields["transactionname"].toString(), QStringLiteral("Shop & check \u65E5\u672C"));
        QCOMPARE(fields["pollinterval"].toString(), QStringLiteral("10"));
        const auto urls = accepted[0]["urls"].toArray();
        QStringList addresses;
        for (const auto& url : urls)
            addresses.append(url.toObject()["address"].toString());
        QCOMPARE(addresses,
                 QStringList({pages.url("shop/catalogue.html"), pages.url("shop/login.html"),
                              pages.url("shop/login.do"), pages.url("shop/order.html"),
                              pages.url("shop/confirm.do")}));
        QCOMPARE(urls[0]["displayname"].toString(), QStringLiteral("Catalogue \"A&B\""));
        QCOMPARE(urls[0]["MatchContent"].toString(), QStringLiteral("Products"));
        QCOMPARE(urls[0]["method"].toString(), QStringLiteral("G"));

        const auto login = urls[2].toObject();
        QCOMPARE(login["method"].toString(), QStringLiteral("P"));
        QCOMPARE(login["displayname"].toString(), QStringLiteral("Log in"));
        QCOMPARE(login["UnavailabilityString"].toString(), QStringLiteral("Error <b>"));
        QCOMPARE(login["HTTPResponseCode"]["condition"].toString(), QStringLiteral("Equal to"));
        QCOMPARE(login["HTTPResponseCode"]["code"].toString(), QString::number(pickedCode));
        QCOMPARE(login["AuthInfo"]["username"].toString(), QStringLiteral("basic+user"));
        QCOMPARE(login["AuthInfo"]["password"].toString(), QStringLiteral("p%ss"));
        // The body as the login page sent it (the recorder's doubled "%" undone by the server).
        const auto sent = pages.requestsTo("/shop/login.do").first().body;
        QCOMPARE(login["PostData"].toString(), " " + QString::fromLatin1(sent));
        QCOMPARE(login["Header"].toString(),
                 QStringLiteral("Content-Type: application/x-www-form-urlencoded\n"));
        QCOMPARE(urls[4]["method"].toString(), QStringLiteral("P"));
        QCOMPARE(urls[4]["PostData"].toString(), QStringLiteral(" item=42&note=gift+%26+wrap"));
    }

    void failedSavesTellWhyAndKeepTheSequence_data()
    {
        QTest::addColumn<QStringList>("standinArgs");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("closedPort");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << QStringList() << "wrong" << false
                                        << "Unable to save the sequence.Either Authentication "
                                           "failed or Monitor limit exceeded";
        QTest::newRow("other version") << QStringList({"--version", "6.0.2"}) << "admin" << false
                                       << "Please check the version";
        QTest::newRow("closed port")
            << QStringList() << "admin" << true << "Unable to connect the Host";
    }

    void failedSavesTellWhyAndKeepTheSequence()
    {
        QFETCH(QStringList, standinArgs);
        QFETCH(QString, password);
        QFETCH(bool, closedPort);
        QFETCH(QString, message);
        FixtureServer pages(QStringLiteral(FIXTURES_DIR));
        EngineWindow w(kEnglish, standinArgs);
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);
        w.typeAddress(pages.url("shop/catalogue.html"));
        QTRY_COMPARE_WITH_TIMEOUT(w.form->sequence().count(), 1u, kLoadTimeoutMs);

        QString port = QString::number(w.standin.port());
        if (closedPort) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = QString::number(probe.serverPort());
        } // closed again here: nothing listens there now
        saveThroughTheDialog(w, {.port = port, .password = password});
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.size(), 1, kLoadTimeoutMs);
        QCOMPARE(w.messages[0].text, message);
        QCOMPARE(w.form->sequence().count(), 1u);
        QVERIFY(child<QPushButton>(*w.form, "saveButton")->isEnabled());
        QCOMPARE(acceptedBy(w.standin).size(), 0);
    }
};

WAYTRACE_ENGINE_TEST_MAIN(TestSaveEndToEnd)
#include "tst_save_end_to_end.moc"
