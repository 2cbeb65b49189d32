#include "core/trial_run_verdict.h"

#include <QTest>

#include <string>

using namespace waytrace;

Q_DECLARE_METATYPE(std::u16string)
Q_DECLARE_METATYPE(std::optional<bool>)

class TestTrialRunVerdict : public QObject
{
    Q_OBJECT

private slots:
    // Read as the labels say: keywords not found, keywords found, response code compared.
    void conditionsFireAsLabelled()
    {
        const std::u16string_view body = u"<h1>Welcome, Ann</h1> Your order is ready.";
        auto verdict =
            judgeResponse(200, body, u"Welcome, Ann", u"Error", CodeCondition::GreaterThan, 200);
        QCOMPARE(verdict.requiredKeywords, std::optional<bool>(false));
        QCOMPARE(verdict.forbiddenKeywords, std::optional<bool>(false));
        QCOMPARE(verdict.responseCondition, std::optional<bool>(false));

        // One phrase, case-sensitive: "welcome, ann" is not there, "order is" is.
        verdict =
            judgeResponse(500, body, u"welcome, ann", u"order is", CodeCondition::GreaterThan, 200);
        QCOMPARE(verdict.requiredKeywords, std::optional<bool>(true));
        QCOMPARE(verdict.forbiddenKeywords, std::optional<bool>(true));
        QCOMPARE(verdict.responseCondition, std::optional<bool>(true));

        verdict = judgeResponse(404, body, {}, {}, CodeCondition::EqualTo, 404);
        QVERIFY(!verdict.requiredKeywords && !verdict.forbiddenKeywords);
        QCOMPARE(verdict.responseCondition, std::optional<bool>(true));
        QCOMPARE(judgeResponse(404, body, {}, {}, CodeCondition::NotEqualTo, 404).responseCondition,
                 std::optional<bool>(false));
        QCOMPARE(judgeResponse(404, body, {}, {}, std::nullopt, 404).responseCondition,
                 std::optional<bool>());
    }

    void perVisitFieldsAreFlagged_data()
    {
        QTest::addColumn<std::u16string>("querystring");
        QTest::addColumn<QStringList>("flagged");
        QTest::newRow("plain login")
            << std::u16string(u"user=ann&password=s3cret%2525&go=1") << QStringList{};
        QTest::newRow("token names")
            << std::u16string(u"authenticity_token=x&__VIEWSTATE=a&__RequestVerificationToken=b"
                              u"&csrfmiddlewaretoken=c&SAMLResponse=d&statement=e")
            << QStringList{"authenticity_token", "__VIEWSTATE", "__RequestVerificationToken",
                           "csrfmiddlewaretoken", "SAMLResponse"};
        QTest::newRow("random values")
            << std::u16string(u"id=9f86d081884c7d659a2feaa0c55ad015&sid=dGhpcyBpcyBub3QgcmFuZG9t"
                              u"&text=aaaaaaaaaaaaaaaa1&word=verylongwordwithoutdigits"
                              u"&short=a1b2c3")
            << QStringList{"id", "sid"};
        QTest::newRow("encoded name")
            << std::u16string(u"x%255Bcsrf%255D=1") << QStringList{"x[csrf]"};
    }

    void perVisitFieldsAreFlagged()
    {
        QFETCH(std::u16string, querystring);
        QFETCH(QStringList, flagged);
        QStringList names;
        for (const auto& field : staleFields(querystring))
            names.append(QString::fromStdU16String(field.name));
        QCOMPARE(names, flagged);
    }
};

QTEST_APPLESS_MAIN(TestTrialRunVerdict)
#include "tst_trial_run_verdict.moc"
