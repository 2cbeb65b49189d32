#include "output/sequence_document.h"

#include <QTest>
#include <QXmlStreamReader>

using namespace waytrace;
using namespace std::string_literals;

namespace {

RecordRef add(RecordedSequence& sequence, std::u16string address)
{
    auto record = std::make_shared<UrlRecord>();
    record->urlAddress = std::move(address);
    sequence.append(record);
    return record;
}

QString document(const RecordedSequence& sequence)
{
    return QString::fromStdU16String(buildSequenceDocument(sequence));
}

// The document's lines, each without its CR; a CR LF inside a value splits a line too.
QStringList lines(const QString& text)
{
    auto result = text.split(u'\r');
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

const QString kHead =
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r"
                   "<!--This file contains URL Sequence recorded by user-->\r"
                   "<URLSequence>\r");

} // namespace

class TestSequenceDocument : public QObject
{
    Q_OBJECT

private slots:
    void exampleComesOutExactly()
    {
        RecordedSequence sequence;
        auto list = add(sequence, u"http://localhost:8080/shop/list.do?cat=5&sort=price");
        list->displayName = u"Catalogue";
        list->requiredKeywords = u"Products";
        list->forbiddenKeywords = u"Error";
        auto cart = add(sequence, u"http://localhost:8080/shop/cart.do");
        cart->method = HttpMethod::Post;
        cart->displayName = u"Add to cart";
        cart->postBody = u"item=42&qty=1";
        cart->headers = u"Content-Type: application/x-www-form-urlencoded\r\n";
        cart->responseCondition.comparison = CodeCondition::EqualTo;
        cart->userName = u"buyer";

        QCOMPARE(document(sequence),
                 kHead + "<Url address=\"http://localhost:8080/shop/list.do?cat=5&amp;sort=price\" "
                         "method=\"G\" displayname=\"Catalogue\">\r"
                         "<AlertCondition>\r"
                         "<MatchContent>Products</MatchContent>\r"
                         "<UnavailabilityString>Error</UnavailabilityString>\r"
                         "<HTTPResponseCode condition=\"Greater than\" code=\"200\" />\r"
                         "</AlertCondition>\r"
                         "</Url>\r"
                         "<Url address=\"http://localhost:8080/shop/cart.do\" method=\"P\" "
                         "displayname=\"Add to cart\">\r"
                         "<PostData> item=42&amp;qty=1</PostData>\r"
                         "<Header>Content-Type: application/x-www-form-urlencoded\r\n</Header>\r"
                         "<AlertCondition>\r"
                         "<HTTPResponseCode condition=\"Equal to\" code=\"200\" />\r"
                         "</AlertCondition>\r"
                         "<AuthInfo username=\"buyer\" password=\"\" />\r"
                         "</Url>\r"
                         "</URLSequence>\r");
    }

    void optionalLinesFollowTheirFields()
    {
        RecordedSequence sequence;
        QCOMPARE(document(sequence), kHead + "</URLSequence>\r");

        auto bare = add(sequence, u"http://h/");
        QCOMPARE(lines(document(sequence)).size(), 4 + 5);

        bare->password = u"secret"; // no user name: no AuthInfo, the password is not written
        QVERIFY(!document(sequence).contains("secret"));
        bare->userName = u" ";
        QVERIFY(document(sequence).contains("<AuthInfo username=\" \" password=\"secret\" />\r"));
        bare->responseCode = -32768;
        QVERIFY(document(sequence).contains("code=\"-32768\""));
        bare->responseCondition = readResponseCondition(u"\u3088\u308A\u5927\u304D\u3044");
        QVERIFY(document(sequence).contains(
            QStringLiteral("condition=\"\u3088\u308A\u5927\u304D\u3044\"")));
    }

    void valuesAreEscapedWhereWritten_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("written");
        QTest::newRow("ampersand") << "a&b"
                                   << "a&amp;b";
        QTest::newRow("already escaped") << "&amp;"
                                         << "&amp;amp;";
        QTest::newRow("quote keeps the attribute whole") << "say \"hi\""
                                                         << "say &quot;hi&quot;";
        QTest::newRow("angle brackets") << "<b>"
                                        << "&lt;b&gt;";
        QTest::newRow("percent doubled") << "100%26"
                                         << "100%2526";
        QTest::newRow("apostrophe unchanged") << "it's"
                                              << "it's";
    }

    void valuesAreEscapedWhereWritten()
    {
        QFETCH(QString, label);
        QFETCH(QString, written);
        RecordedSequence sequence;
        add(sequence, u"http://h/?a=%26")->displayName = label.toStdU16String();
        const auto text = document(sequence);
        QVERIFY2(text.contains("displayname=\"" + written + "\">\r"), qPrintable(text));
        QVERIFY(text.contains("address=\"http://h/?a=%2526\""));
    }

    void recordedPostDataIsNotDoubledAgain()
    {
        RecordedSequence sequence;
        add(sequence, u"http://h/")->postBody = u"q=1%252B2&x=";
        QVERIFY(document(sequence).contains("<PostData> q=1%252B2&amp;x=</PostData>\r"));
    }

    void hostileValuesStayWellFormed()
    {
        RecordedSequence sequence;
        auto r = add(sequence, u"http://h/?x=\"><evil/>&y=1");
        r->displayName = u"\"/><Url address=\"x";
        r->headers = u"X-A: <b>&\r\n";
        r->requiredKeywords = u"]]><!--";
        r->forbiddenKeywords = u"a > b & c < d";
        r->userName = u"u\"";
        r->password = u"p<&>";

        QXmlStreamReader xml(document(sequence));
        int urls = 0;
        QString header;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"Url") {
                ++urls;
                QCOMPARE(xml.attributes().value("displayname"), u"\"/><Url address=\"x");
            } else if (xml.name() == u"Header") {
                header = xml.readElementText();
            } else if (xml.name() == u"UnavailabilityString") {
                QCOMPARE(xml.readElementText(), QStringLiteral("a > b & c < d"));
            } else if (xml.name() == u"AuthInfo") {
                QCOMPARE(xml.attributes().value("password"), u"p<&>");
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(urls, 1);
        QCOMPARE(header, QStringLiteral("X-A: <b>&\n")); // XML reads CR LF as LF
    }

    void charactersXmlForbidsBecomeReplacementCharacters()
    {
        // Long enough for the eight-at-a-time scan; tab, LF and CR are allowed and stay.
        const std::u16string bad = u"a\u0001b\u0008\u000B\u000C\u001F\uFFFE\uFFFF\u0000"s;
        const std::u16string kept = u"\t\n\r\u0020\uFFFD\U0001F600";
        RecordedSequence sequence;
        auto r = add(sequence, u"http://h/" + bad);
        r->displayName = u"label " + bad + kept + u" end";
        r->postBody = u"t=" + bad;
        r->userName = u"u";
        r->password = bad;
        const auto text = document(sequence);
        const QString replaced = "a\uFFFDb" + QString(7, QChar(0xFFFD));
        QVERIFY(text.contains("address=\"http://h/" + replaced + "\""));
        QVERIFY(text.contains("displayname=\"label " + replaced + QString::fromStdU16String(kept) +
                              " end\""));
        QVERIFY(text.contains("<PostData> t=" + replaced + "</PostData>"));
        QVERIFY(text.contains("password=\"" + replaced + "\""));
        QCOMPARE(r->postBody, u"t=" + bad); // the record keeps what was recorded

        QXmlStreamReader xml(text);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    }

    void walksTheLiveRecords()
    {
        RecordedSequence sequence;
        add(sequence, u"http://1/");
        auto second = add(sequence, u"http://2/");
        second->displayName = u"edited after recording";
        QVERIFY(document(sequence).contains("displayname=\"edited after recording\""));
        QVERIFY(document(sequence).indexOf("http://1/") < document(sequence).indexOf("http://2/"));
    }
};

QTEST_APPLESS_MAIN(TestSequenceDocument)
#include "tst_sequence_document.moc"
