#include "navigation/capture_report.h"

#include <QTest>

using namespace waytrace;

// The capture script's console reports as the session reads them; pages write to the console
// too, so only messages behind the secret count.
class TestCaptureReport : public QObject
{
    Q_OBJECT

    const QString secret_ = QStringLiteral("wt0123:");

private slots:
    void onlyMessagesBehindTheSecretAreReports()
    {
        QVERIFY(!readCaptureReport(QStringLiteral("{\"kind\":\"document\"}"), secret_));
        QVERIFY(!readCaptureReport(QStringLiteral("wt9999:{\"kind\":\"document\"}"), secret_));
        const auto unknown = readCaptureReport(secret_ + "{\"kind\":\"other\"}", secret_);
        QVERIFY(unknown);
        QCOMPARE(unknown->kind, CaptureReport::Kind::Unknown);
        QCOMPARE(unknown->kindName, QStringLiteral("other"));
        const auto broken = readCaptureReport(secret_ + "not json", secret_);
        QVERIFY(broken);
        QCOMPARE(broken->kind, CaptureReport::Kind::Unknown);

        const auto load =
            readCaptureReport(secret_ + "{\"kind\":\"load\",\"url\":\"http://h/a%20b\"}", secret_);
        QCOMPARE(load->kind, CaptureReport::Kind::Load);
        QCOMPARE(load->url, QStringLiteral("http://h/a%20b"));
    }

    // Entries come one character per byte of the form's charset and are sent as such.
    void formReportsBecomeTheBodyTheFormSends()
    {
        const auto form = readCaptureReport(
            secret_ + QString::fromUtf8("{\"kind\":\"form\",\"action\":\"http://h/login\","
                                        "\"enctype\":\"\",\"entries\":[[\"q\",\"\xc2\x93\xc3\xba "
                                        "&\"],[\"t\",\"a\\r\\nb\"]]}"),
            secret_);
        QCOMPARE(form->kind, CaptureReport::Kind::Form);
        QCOMPARE(form->url, QStringLiteral("http://h/login"));
        QCOMPARE(form->body.postData, QByteArray("q=%93%FA+%26&t=a%0D%0Ab"));
        QCOMPARE(form->body.headers,
                 QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n"));

        const auto upload = readCaptureReport(
            secret_ + "{\"kind\":\"form\",\"action\":\"http://h/up\",\"enctype\":"
                      "\"multipart/form-data\",\"entries\":[[\"f\",\"a.txt\",\"text/plain\"]]}",
            secret_);
        const auto body = upload->body.postData;
        QVERIFY(upload->body.headers.startsWith(
            QStringLiteral("Content-Type: multipart/form-data; boundary=")));
        QVERIFY(body.contains("name=\"f\"; filename=\"a.txt\"\r\nContent-Type: text/plain\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestCaptureReport)
#include "tst_capture_report.moc"
