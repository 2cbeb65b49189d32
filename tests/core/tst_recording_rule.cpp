#include "../support/u16_compare.h"
#include "core/ansi_code_page.h"
#include "core/recording_rule.h"

#include <QTest>

#include <optional>
#include <span>
#include <string>
#include <vector>

using namespace waytrace;

namespace {

constexpr std::u16string_view kHelp = u"http://localhost:9090/help/getting-started.html";

// Every byte of a literal, embedded zeros included.
template <std::size_t N> std::vector<std::uint8_t> bytesOf(const char (&text)[N])
{
    return {text, text + N - 1};
}

// A GET, or a POST with `body`.
RecordingOutcome navigate(RecordedSequence& sequence, std::u16string_view url,
                          std::u16string_view headers = {},
                          const std::optional<std::vector<std::uint8_t>>& body = {})
{
    return applyRecordingRule({url, headers, body ? HttpMethod::Post : HttpMethod::Get,
                               body ? std::span(*body) : std::span<const std::uint8_t>()},
                              kHelp, sequence);
}

} // namespace

class TestRecordingRule : public QObject
{
    Q_OBJECT

private slots:
    void addressDecidesCancelAndRecording_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("empty host is cancelled") << "http:///" << true << false;
        QTest::newRow("http") << "http://host/a?x=1" << false << true;
        QTest::newRow("https") << "https://host/" << false << true;
        QTest::newRow("bare prefix") << "http://" << false << true;
        QTest::newRow("longer than the cancel address") << "http:///x" << false << true;
        QTest::newRow("about:blank") << "about:blank" << false << false;
        QTest::newRow("ftp") << "ftp://host/file" << false << false;
        QTest::newRow("file") << "file:///C:/x.htm" << false << false;
        QTest::newRow("javascript") << "javascript:void(0)" << false << false;
        QTest::newRow("upper-case scheme") << "HTTP://host/" << false << false;
        QTest::newRow("one slash") << "https:/host" << false << false;
        QTest::newRow("leading blank") << " http://host/" << false << false;
        QTest::newRow("help page")
            << QString::fromStdU16String(std::u16string(kHelp)) << false << false;
        QTest::newRow("help page with trailing slash")
            << QString::fromStdU16String(std::u16string(kHelp)) + "/" << false << true;
        QTest::newRow("help page in other case") << QString::fromStdU16String(std::u16string(kHelp))
                                                        .toUpper()
                                                        .replace("HTTP://", "http://")
                                                 << false << true;
    }

    void addressDecidesCancelAndRecording()
    {
        QFETCH(QString, url);
        QFETCH(bool, cancel);
        QFETCH(bool, recorded);
        RecordedSequence sequence;
        const auto address = url.toStdU16String();
        const auto outcome = navigate(sequence, address);
        QCOMPARE(outcome.cancel, cancel);
        QCOMPARE(sequence.count(), recorded ? 1u : 0u);
        QCOMPARE(outcome.record != nullptr, recorded);
        if (recorded)
            QCOMPARE(sequence.at(0)->urlAddress, address);
    }

    void getKeepsInitialMethodAndHeaders()
    {
        RecordedSequence sequence;
        navigate(sequence, u"http://host/a?x=1", u"Referer: http://host/\r\n");
        const auto r = sequence.at(0);
        QCOMPARE(r->urlAddress, u"http://host/a?x=1"s);
        QCOMPARE(r->method, HttpMethod::Get);
        QVERIFY(r->postBody.empty());
        QCOMPARE(r->headers, u"Referer: http://host/\r\n"s);
    }

    void postBodyKeepsItsBytesAndDoublesPercent_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("querystring");
        QTest::newRow("form") << QByteArray("q=1%2B2&x=1") << "q=1%252B2&x=1";
        QTest::newRow("empty, still a post") << QByteArray() << "";
        QTest::newRow("zero bytes are kept")
            << QByteArray("a\0b\0", 4) << QString::fromUtf16(u"a\u0000b\u0000", 4);
    }

    void postBodyKeepsItsBytesAndDoublesPercent()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, querystring);
        RecordedSequence sequence;
        const std::vector<std::uint8_t> bytes(body.begin(), body.end());
        navigate(sequence, u"http://host/post", u"Content-Type: x\r\n", bytes);
        const auto r = sequence.at(0);
        QCOMPARE(r->method, HttpMethod::Post);
        QCOMPARE(QString::fromStdU16String(r->postBody), querystring);
    }

    void highBytesMapThroughWindows1252()
    {
        QCOMPARE(ansiCharacter(0x41), u'A');
        QCOMPARE(ansiCharacter(0x7F), u'\u007F');
        QCOMPARE(ansiCharacter(0x80), u'\u20AC');
        QCOMPARE(ansiCharacter(0x9F), u'\u0178');
        QCOMPARE(ansiCharacter(0xA0), u'\u00A0');
        QCOMPARE(ansiCharacter(0xE9), u'\u00E9');
        QCOMPARE(ansiCharacter(0xFF), u'\u00FF');
        for (std::uint8_t undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
            QCOMPARE(ansiCharacter(undefined), char16_t(undefined));

        // UTF-8 of "é" as a browser posts it arrives as two characters, one per byte.
        RecordedSequence sequence;
        navigate(sequence, u"http://host/", {}, bytesOf("n=\xC3\xA9"));
        QCOMPARE(sequence.at(0)->postBody, u"n=\u00C3\u00A9"s);
    }

    void recordsAppendInAnnouncementOrder()
    {
        RecordedSequence sequence;
        navigate(sequence, u"http://host/");
        navigate(sequence, u"about:blank");
        navigate(sequence, u"http://host/frame1");
        navigate(sequence, u"http://host/");
        QCOMPARE(sequence.count(), 3u);
        QCOMPARE(sequence.at(0)->urlAddress, u"http://host/"s);
        QCOMPARE(sequence.at(1)->urlAddress, u"http://host/frame1"s);
        QCOMPARE(sequence.at(2)->urlAddress, u"http://host/"s);
        QVERIFY(sequence.at(0) != sequence.at(2));
    }
};

QTEST_APPLESS_MAIN(TestRecordingRule)
#include "tst_recording_rule.moc"
