#include "files/sequence_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace waytrace;

namespace {

// Values that break naive writers and readers.
UrlRecord hostileRecord()
{
    UrlRecord r;
    r.urlAddress = u"http://h/p?q=%25&x=\"y\"\\z";
    r.displayName = std::u16string(u"lone ") + char16_t(0xd800) + u" and pair \U0001F600 \u65e5";
    r.method = HttpMethod::Post;
    r.postBody = std::u16string(u"a=%25%0D\r\n\x01", 11) + char16_t(0) + u"\u00ff";
    r.headers = u"Content-Type: text/plain; charset=Shift_JIS\r\nX-A: b\r\n";
    r.requiredKeywords = u"</script><!--";
    r.forbiddenKeywords = std::u16string(5000, u'\u3042');
    r.responseCondition = u"\u53f3\u5024\u3088\u308a\u5927\u304d\u3044";
    r.responseCode = -32768;
    r.userName = u"ann";
    r.password = u"se\"cr\\et\t";
    r.seen = SeenPage{403,
                      u"http://h/\"x\"?a=%25",
                      u"lone \xdc00 title",
                      {0, 7, 4294967295U},
                      {u"First \"line\"", u"\u3042"}};
    r.bodyUnconfirmed = true;
    return r;
}

bool sameRecord(const UrlRecord& a, const UrlRecord& b)
{
    return a.urlAddress == b.urlAddress && a.displayName == b.displayName && a.method == b.method &&
           a.postBody == b.postBody && a.headers == b.headers &&
           a.requiredKeywords == b.requiredKeywords && a.forbiddenKeywords == b.forbiddenKeywords &&
           a.responseCondition == b.responseCondition && a.responseCode == b.responseCode &&
           a.userName == b.userName && a.password == b.password && a.seen == b.seen &&
           a.bodyUnconfirmed == b.bodyUnconfirmed;
}

} // namespace

class TestSequenceFile : public QObject
{
    Q_OBJECT

private slots:
    // Every field comes back exactly; passwords only when written, and the file says which.
    void everyValueRoundTrips()
    {
        RecordedSequence sequence;
        sequence.append(std::make_shared<UrlRecord>(hostileRecord()));
        sequence.append(std::make_shared<UrlRecord>());
        for (const bool withPasswords : {true, false}) {
            const QByteArray bytes = sequenceFileBytes(sequence, withPasswords);
            QCOMPARE(bytes.contains("\"password\""), withPasswords);
            const auto read = readSequenceFile(bytes);
            QVERIFY(std::holds_alternative<SequenceFileContents>(read));
            const auto& contents = std::get<SequenceFileContents>(read);
            QCOMPARE(contents.passwords, withPasswords);
            QCOMPARE(contents.records.size(), 2u);
            UrlRecord expected = hostileRecord();
            if (!withPasswords)
                expected.password.clear();
            QVERIFY(sameRecord(*contents.records[0], expected));
            QVERIFY(sameRecord(*contents.records[1], UrlRecord()));
            QCOMPARE(sequenceFileBytes(sequence, withPasswords), bytes); // stable, so diffable
        }
        QVERIFY(std::holds_alternative<SequenceFileContents>(
            readSequenceFile(sequenceFileBytes(RecordedSequence(), false))));
    }

    // A file that is not one, is of a newer version or is broken is refused whole, saying
    // where.
    void brokenFilesAreRefusedSayingWhere_data()
    {
        using Kind = SequenceFileFault::Kind;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("field");
        const QByteArray head = "{\"format\":\"waytrace-sequence\",\"version\":1,\"records\":[";
        const QByteArray good = recordJson(UrlRecord());
        QTest::newRow("not JSON") << QByteArray("{\n\"format\":\n\"x\"\n,,}") << int(Kind::NotJson)
                                  << 4 << 0 << QString();
        QTest::newRow("empty") << QByteArray() << int(Kind::NotJson) << 1 << 0 << QString();
        QTest::newRow("a HAR") << QByteArray("{\"log\":{\"entries\":[]}}") << int(Kind::NotSequence)
                               << 0 << 0 << QString();
        QTest::newRow("an array") << QByteArray("[1]") << int(Kind::NotSequence) << 0 << 0
                                  << QString();
        QTest::newRow("newer")
            << QByteArray("{\"format\":\"waytrace-sequence\",\"version\":2,\"records\":[]}")
            << int(Kind::Newer) << 0 << 0 << QString();
        QByteArray wrongCode = good;
        wrongCode.replace("\"httpvalue\":200", "\"httpvalue\":\"200\"");
        QTest::newRow("code as text")
            << head + good + "," + wrongCode + "]}" << int(Kind::BadField) << 0 << 2 << "httpvalue";
        QByteArray bigCode = good;
        bigCode.replace("\"httpvalue\":200", "\"httpvalue\":70000");
        QTest::newRow("code too big")
            << head + bigCode + "]}" << int(Kind::BadField) << 0 << 1 << "httpvalue";
        QByteArray method = good;
        method.replace("\"G\"", "\"X\"");
        QTest::newRow("unknown method")
            << head + method + "]}" << int(Kind::BadField) << 0 << 1 << "httpmethod";
        QByteArray missing = good;
        missing.replace("\"headers\":\"\",", "");
        QTest::newRow("missing field")
            << head + missing + "]}" << int(Kind::BadField) << 0 << 1 << "headers";
        QTest::newRow("record not an object")
            << head + "7]}" << int(Kind::BadField) << 0 << 1 << QString();
    }

    void brokenFilesAreRefusedSayingWhere()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, line);
        QFETCH(int, record);
        QFETCH(QString, field);
        const auto read = readSequenceFile(bytes);
        QVERIFY(std::holds_alternative<SequenceFileFault>(read));
        const auto& fault = std::get<SequenceFileFault>(read);
        QCOMPARE(int(fault.kind), kind);
        QCOMPARE(fault.line, line);
        QCOMPARE(fault.record, record);
        QCOMPARE(fault.field, field);
    }

    // Written whole, for the user's eyes only; a place that cannot be written says so.
    void writtenWholeForTheUserAlone()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("shop.waytrace.json");
        QVERIFY(!writeSequenceFile(path, "first"));
        QVERIFY(!writeSequenceFile(path, "second"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("second"));
        QCOMPARE(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QVERIFY(writeSequenceFile(folder.filePath("missing/x.json"), "x").has_value());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"shop.waytrace.json"});
    }
};

QTEST_APPLESS_MAIN(TestSequenceFile)
#include "tst_sequence_file.moc"
