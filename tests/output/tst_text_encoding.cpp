#include "output/string_tests.h"
#include "output/utf8.h"

#include <QTest>

using namespace waytrace;

namespace {

QByteArray utf8(std::u16string_view text)
{
    const auto bytes = toUtf8(text);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray unit(std::uint16_t value)
{
    const auto u = unitToUtf8(value);
    return QByteArray(reinterpret_cast<const char*>(u.bytes.data()), u.size);
}

} // namespace

class TestTextEncoding : public QObject
{
    Q_OBJECT

private slots:
    void codeUnitsConvertAtTheThresholds_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("a") << 0x61 << QByteArray("\x61");
        QTest::newRow("zero") << 0x00 << QByteArray("\x00", 1);
        QTest::newRow("7F") << 0x7F << QByteArray("\x7F");
        QTest::newRow("80") << 0x80 << QByteArray("\xC2\x80");
        QTest::newRow("e acute") << 0xE9 << QByteArray("\xC3\xA9");
        QTest::newRow("7FF") << 0x7FF << QByteArray("\xDF\xBF");
        QTest::newRow("800") << 0x800 << QByteArray("\xE0\xA0\x80");
        QTest::newRow("euro") << 0x20AC << QByteArray("\xE2\x82\xAC");
        QTest::newRow("sun") << 0x65E5 << QByteArray("\xE6\x97\xA5");
        QTest::newRow("FFFF") << 0xFFFF << QByteArray("\xEF\xBF\xBF");
        QTest::newRow("lone surrogate") << 0xD800 << QByteArray("\xEF\xBF\xBD");
    }

    void codeUnitsConvertAtTheThresholds()
    {
        QFETCH(int, value);
        QFETCH(QByteArray, bytes);
        QCOMPARE(unit(static_cast<std::uint16_t>(value)), bytes);
        const std::u16string text(1, static_cast<char16_t>(value));
        QCOMPARE(utf8(text), bytes);
        // The fast path takes four units at a time: the same unit amid ASCII must agree.
        QCOMPARE(utf8(u"abcd" + text + u"efghi"), "abcd" + bytes + "efghi");
    }

    void textsConvertLikeQt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << "abc";
        QTest::newRow("mixed") << QStringLiteral("Gr\u00FC\u00DFe \u65E5\u672C\u8A9E & more text");
        QTest::newRow("emoji pair") << QStringLiteral("a\U0001F600b");
        QTest::newRow("pair at the end") << QStringLiteral("abc\U0010FFFF");
        QTest::newRow("CR LF and controls") << QStringLiteral("a\r\nb\tc\u0001");
    }

    void textsConvertLikeQt()
    {
        QFETCH(QString, text);
        QCOMPARE(utf8(text.toStdU16String()), text.toUtf8());
    }

    void formEscapeCatchesEveryPosition()
    {
        // "&", "+" and a non-ASCII unit at each place of a text long enough for the block path.
        for (char16_t special : {u'&', u'+', u'\u00E9'}) {
            for (int at = 0; at < 40; ++at) {
                std::u16string text(40, u'a');
                text[static_cast<std::size_t>(at)] = special;
                ByteArray bytes;
                appendUtf8(bytes, text, true);
                const QByteArray got(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<qsizetype>(bytes.size()));
                const QByteArray expected = QString::fromStdU16String(text)
                                                .toUtf8()
                                                .replace("&", "%26")
                                                .replace("+", "%2B");
                QCOMPARE(got, expected);
            }
        }
    }

    void loneSurrogatesBecomeReplacement()
    {
        QCOMPARE(utf8(u"\xD83D"), QByteArray("\xEF\xBF\xBD"));
        QCOMPARE(utf8(u"a\xDE00z"), QByteArray("a\xEF\xBF\xBDz"));
        QCOMPARE(utf8(std::u16string{0xDE00, 0xD83D}), QByteArray("\xEF\xBF\xBD\xEF\xBF\xBD"));
        QCOMPARE(utf8(std::u16string{0xD83D, 0xD83D, 0xDE00}),
                 QByteArray("\xEF\xBF\xBD\xF0\x9F\x98\x80"));
    }

    void prefixAndSuffixTests_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("compareType");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<bool>("ends");
        QTest::newRow("empty in empty") << ""
                                        << "" << 0 << true << true;
        QTest::newRow("empty in text") << "abc"
                                       << "" << 0 << true << true;
        QTest::newRow("case differs") << "HTTP://x"
                                      << "http://" << 0 << false << false;
        QTest::newRow("case ignored") << "HTTP://x"
                                      << "http://" << 1 << true << false;
        QTest::newRow("shorter value") << "bc"
                                       << "abc" << 0 << false << false;
        QTest::newRow("whole") << "abc"
                               << "abc" << 0 << true << true;
        QTest::newRow("suffix") << "x/9090/a.do"
                                << "9090/a.do" << 0 << false << true;
    }

    void prefixAndSuffixTests()
    {
        QFETCH(QString, text);
        QFETCH(QString, part);
        QFETCH(int, compareType);
        QFETCH(bool, starts);
        QFETCH(bool, ends);
        const auto s = text.toStdU16String();
        const auto c = part.toStdU16String();
        QCOMPARE(stringStartsWith(s, c, compareType), starts);
        QCOMPARE(stringEndsWith(s, c, compareType), ends);
    }

    void containsHasNoLengthLimit()
    {
        QVERIFY(stringContains(u"res://x/http_404.htm#y", u"http_404.htm"));
        QVERIFY(!stringContains(u"abc", u"abcd"));
        QVERIFY(!stringContains(u"", u""));
        QVERIFY(stringContains(u"a", u""));
        QVERIFY(!stringContains(u"http_40", u"http_404.htm"));

        std::u16string longText(40000, u'x');
        QVERIFY(!stringContains(longText, u"dnserror.htm"));
        longText += u"dnserror.htm";
        QVERIFY(stringContains(longText, u"dnserror.htm"));
    }
};

QTEST_APPLESS_MAIN(TestTextEncoding)
#include "tst_text_encoding.moc"
