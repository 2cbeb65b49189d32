#include "core/trial_run_verdict.h"

#include <QTest>

#include <string>

using namespace waytrace;
using namespace std::string_literals;

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

    // An answer is judged as it arrives: a phrase split over pieces of any size is found, one
    // that is not there is not, and in UTF-16 bytes that only line up across two characters
    // are no occurrence.
    void phrasesAreFoundAcrossPieces()
    {
        const std::u16string body = u"ab\u65e5\u672cab-aab\u65e5\u672ca\u4161BC";
        for (const std::u16string phrase :
             {u"aab\u65e5\u672ca", u"\u672cab-", u"abab", u"a", u"\u4241\u4300"}) {
            const bool whole = body.find(phrase) != std::u16string::npos;
            const auto bytes = unitBytes(body);
            for (std::size_t size = 2; size <= bytes.size(); size += 2) {
                PhraseScan scan(unitBytes(phrase), 2);
                for (std::size_t at = 0; at < bytes.size(); at += size)
                    scan.feed(std::string_view(bytes).substr(at, size));
                QVERIFY2(scan.found() == whole, qPrintable(QString::number(size)));
            }
        }
        ResponseJudge judge("b-a", {});
        QVERIFY(judge.searching());
        judge.feed("ab");
        judge.feed("-");
        judge.feed("aa");
        QVERIFY(!judge.searching());
        QCOMPARE(judge.verdict(200, std::nullopt, 0).requiredKeywords, std::optional<bool>(false));
    }

    void perVisitFieldsAreFlagged_data()
    {
        QTest::addColumn<std::u16string>("address");
        QTest::addColumn<std::u16string>("querystring");
        QTest::addColumn<QStringList>("flagged");
        const std::u16string plain = u"http://h/login";
        QTest::newRow("plain login")
            << plain << std::u16string(u"user=ann&password=s3cret%2525&go=1") << QStringList{};
        QTest::newRow("token names")
            << plain
            << std::u16string(
                   u"authenticity_token=x&__VIEWSTATE=a&__RequestVerificationToken=b"
                   u"&csrfmiddlewaretoken=c&SAMLResponse=d&statement=e&section=f&sectok=g"
                   u"&PHPSESSID=h&startDate=i")
            << QStringList{"authenticity_token",  "__VIEWSTATE",  "__RequestVerificationToken",
                           "csrfmiddlewaretoken", "SAMLResponse", "sectok",
                           "PHPSESSID",           "startDate"};
        QTest::newRow("random values and time stamps")
            << plain
            << std::u16string(u"id=9f86d081884c7d659a2feaa0c55ad015&sid=dGhpcyBpcyBub3QgcmFuZG9t"
                              u"&text=aaaaaaaaaaaaaaaa1&word=verylongwordwithoutdigits"
                              u"&short=a1b2c3&changed=1733600000&ms=1733600000123&year=2024")
            << QStringList{"id", "sid", "changed", "ms"};
        QTest::newRow("encoded name")
            << plain << std::u16string(u"x%255Bcsrf%255D=1") << QStringList{"x[csrf]"};
        QTest::newRow("in the query too, once")
            << std::u16string(u"http://h/doku.php?id=start&do=logout&sectok=ab#top")
            << std::u16string(u"sectok=ab") << QStringList{"sectok"};
        QTest::newRow("nonces and edit stamps")
            << plain
            << std::u16string(u"_wp_unfiltered_html_comment=0a1b2c3d4e&wpStarttime=20261208101500"
                              u"&phone=0123456789&count=20261399000000")
            << QStringList{"_wp_unfiltered_html_comment", "wpStarttime"};
    }

    void perVisitFieldsAreFlagged()
    {
        QFETCH(std::u16string, address);
        QFETCH(std::u16string, querystring);
        QFETCH(QStringList, flagged);
        UrlRecord record;
        record.urlAddress = address;
        record.postBody = querystring;
        QStringList names;
        for (const auto& field : staleFields(record))
            names.append(QString::fromStdU16String(field.name));
        QCOMPARE(names, flagged);
    }

    // Fields are read from a body of any kind, as its Content-Type line says.
    void everyBodyKindIsRead()
    {
        UrlRecord edit;
        edit.urlAddress = u"http://h/index.php?title=Page&action=submit";
        edit.method = HttpMethod::Post;
        edit.headers = u"Content-Type: multipart/form-data; boundary=\"--xy\"\r\n";
        edit.postBody =
            u"----xy\r\nContent-Disposition: form-data; name=\"wpTextbox1\"\r\n\r\n"
            u"a=b\r\nc\r\n----xy\r\nContent-Disposition: form-data; name=\"wpEditToken\""
            u"\r\n\r\nd41d8cd98f00b204e9800998ecf8427e+\\\r\n----xy\r\n"
            u"Content-Disposition: form-data; name=\"upload\"; filename=\"sectok\"\r\n"
            u"\r\nsectok=1\r\n----xy--\r\n";
        QStringList sent;
        for (const auto& field : sentFields(edit))
            sent << QString::fromStdU16String(field.name + u'=' + field.value);
        QCOMPARE(sent, QStringList({"title=Page", "action=submit", "wpTextbox1=a=b\r\nc",
                                    "wpEditToken=d41d8cd98f00b204e9800998ecf8427e+\\"}));
        QCOMPARE(staleFields(edit).size(), 1U);
        edit.headers = u"content-type: text/plain\r\n";
        edit.postBody = u"csrf=1\r\nnote=x=y\r\n";
        QCOMPARE(sentFields(edit).size(), 4U);
        QCOMPARE(sentFields(edit)[3].value, u"x=y"s);
    }
};

QTEST_APPLESS_MAIN(TestTrialRunVerdict)
#include "tst_trial_run_verdict.moc"
