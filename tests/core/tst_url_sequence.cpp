#include "../support/u16_compare.h"
#include "core/recorded_sequence.h"
#include "core/sequence_undo.h"
#include "resources/string_table.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace waytrace;
using namespace std::string_literals;

namespace {

RecordRef recordFor(const char16_t* address)
{
    auto record = std::make_shared<UrlRecord>();
    record->urlAddress = address;
    return record;
}

std::vector<std::u16string> addresses(const RecordedSequence& sequence)
{
    std::vector<std::u16string> result;
    for (const auto& record : sequence)
        result.push_back(record->urlAddress);
    return result;
}

} // namespace

class TestUrlSequence : public QObject
{
    Q_OBJECT

private slots:
    void newRecordHoldsInitialValues()
    {
        const UrlRecord r;
        QCOMPARE(r.method, HttpMethod::Get);
        QCOMPARE(conditionWords(r.responseCondition), u"Greater than");
        QCOMPARE(r.responseCode, 200);
        for (const auto* text :
             {&r.urlAddress, &r.displayName, &r.postBody, &r.headers, &r.requiredKeywords,
              &r.forbiddenKeywords, &r.userName, &r.password})
            QVERIFY(text->empty());
    }

    // Conditions are read in any language's words and written back in the same words;
    // words of no language stay as they were and name no comparison.
    void conditionWordsReadBackExactly()
    {
        const QJsonObject table = QJsonDocument::fromJson(compiledStringTable()).object();
        for (const auto language : {InterfaceLanguage::English, InterfaceLanguage::Japanese,
                                    InterfaceLanguage::SimplifiedChinese}) {
            const QJsonObject texts = table.value(QString::number(int(language))).toObject();
            for (int id = 148; id <= 150; ++id) {
                const auto comparison = static_cast<CodeCondition>(id - 148);
                const auto words = texts.value(QString::number(id)).toString().toStdU16String();
                QCOMPARE(conditionWords(comparison, language), words);
                const ResponseCondition read = readResponseCondition(words);
                QCOMPARE(read.known(), std::optional(comparison));
                QVERIFY(read.language == language);
            }
        }
        for (const std::u16string& words : {u"より大きい"s, u""s, u"greater than"s}) {
            const ResponseCondition read = readResponseCondition(words);
            QVERIFY(!read.known());
            QCOMPARE(conditionWords(read), words);
        }
    }

    void clearDropsTheRecords()
    {
        RecordedSequence sequence;
        QCOMPARE(sequence.count(), 0u);
        QVERIFY(sequence.begin() == sequence.end());

        sequence.append(recordFor(u"http://a/"));
        std::weak_ptr<UrlRecord> dropped = sequence.at(0);
        sequence.clear();
        QVERIFY(dropped.expired()); // nothing else held it, so it died with the list
        sequence.append(recordFor(u"http://b/"));
        QCOMPARE(sequence.count(), 1u);
        QCOMPARE(sequence.at(0)->urlAddress, u"http://b/"s);
    }

    void removeIsOneBasedAndClosesTheGap()
    {
        RecordedSequence sequence;
        for (auto* address : {u"http://1/", u"http://2/", u"http://3/"})
            sequence.append(recordFor(address));
        QVERIFY(sequence.remove(0));
        QVERIFY((addresses(sequence) == std::vector<std::u16string>{u"http://2/", u"http://3/"}));
        QVERIFY(sequence.remove(1));
        QVERIFY(sequence.remove(0));
        QCOMPARE(sequence.count(), 0u);
    }

    void removeOutsideTheRangeChangesNothing()
    {
        RecordedSequence sequence;
        QVERIFY(!sequence.remove(0));
        sequence.append(recordFor(u"http://1/"));
        QVERIFY(!sequence.remove(1));
        QVERIFY(!sequence.remove(static_cast<std::size_t>(-1)));
        QCOMPARE(sequence.count(), 1u);
        QVERIFY(!sequence.at(1));
    }

    void recordsAreSharedNotCopied()
    {
        RecordedSequence sequence;
        sequence.append(recordFor(u"http://x/"));
        sequence.append(recordFor(u"http://x/"));
        const auto panelHeld = sequence.at(1);
        panelHeld->displayName = u"Checkout";
        panelHeld->responseCode = 404;
        auto walked = sequence.begin() + 1;
        QCOMPARE((*walked)->displayName, u"Checkout"s);
        QCOMPARE((*walked)->responseCode, 404);
        QVERIFY(sequence.at(0)->displayName.empty()); // same address, separate record
    }

    void holdsMoreThanSixteenBitPositions()
    {
        RecordedSequence sequence;
        for (int i = 0; i < 40000; ++i)
            sequence.append(std::make_shared<UrlRecord>());
        sequence.at(39999)->displayName = u"last";
        QVERIFY(sequence.remove(32767));
        QCOMPARE(sequence.count(), 39999u);
        QCOMPARE(sequence.at(39998)->displayName, u"last"s);
    }

    // Removed steps go back to their place, a cleared sequence ahead of what came since; the
    // same records, fields and all; the oldest level goes past the limit.
    void undoPutsBackWhatWasTaken()
    {
        using Addresses = std::vector<std::u16string>;
        RecordedSequence sequence;
        SequenceUndo undo;
        for (auto* address : {u"http://1/", u"http://2/", u"http://3/"})
            sequence.append(recordFor(address));
        const RecordRef second = sequence.at(1);
        second->displayName = u"Sign in";
        QVERIFY(undo.remove(sequence, 1));
        QVERIFY(!undo.remove(sequence, 2));
        QVERIFY(undo.remove(sequence, 1));
        undo.clear(sequence);
        sequence.append(recordFor(u"http://new/"));
        RecordedSequence empty;
        undo.clear(empty); // keeps nothing
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(0));
        QVERIFY((addresses(sequence) == Addresses{u"http://1/", u"http://new/"}));
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(1));
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(1));
        QVERIFY((addresses(sequence) ==
                 Addresses{u"http://1/", u"http://2/", u"http://3/", u"http://new/"}));
        QCOMPARE(sequence.at(1), second);
        QVERIFY(!undo.canUndo());
        QVERIFY(!undo.undo(sequence));

        for (std::size_t i = 0; i <= SequenceUndo::kLevels; ++i) {
            sequence.append(recordFor(u"http://more/"));
            undo.remove(sequence, sequence.count() - 1);
        }
        std::size_t levels = 0;
        while (undo.undo(sequence))
            ++levels;
        QCOMPARE(levels, SequenceUndo::kLevels);
    }

    // Recording into the middle inserts in order after the chosen step; removing that step
    // goes on after the one before it; clearing ends it.
    void recordingIntoTheMiddle()
    {
        using Addresses = std::vector<std::u16string>;
        RecordedSequence sequence;
        for (auto* address : {u"http://1/", u"http://2/", u"http://3/"})
            sequence.append(recordFor(address));
        QVERIFY(!sequence.recordAfter(4));
        QVERIFY(sequence.recordAfter(1));
        sequence.append(recordFor(u"http://a/"));
        sequence.append(recordFor(u"http://b/"));
        QCOMPARE(sequence.insertionPoint(), std::optional<std::size_t>(3));
        sequence.remove(2); // b, the one new steps follow
        sequence.append(recordFor(u"http://c/"));
        QVERIFY((addresses(sequence) ==
                 Addresses{u"http://1/", u"http://a/", u"http://c/", u"http://2/", u"http://3/"}));
        QVERIFY(sequence.recordAfter(0));
        sequence.append(recordFor(u"http://0/"));
        QCOMPARE(sequence.at(0)->urlAddress, u"http://0/"s);
        sequence.recordAtEnd();
        sequence.append(recordFor(u"http://end/"));
        QCOMPARE(sequence.at(sequence.count() - 1)->urlAddress, u"http://end/"s);
        QVERIFY(sequence.recordAfter(2));
        sequence.clear();
        QVERIFY(!sequence.insertionPoint());
    }

    // A move shifts the steps between; undo puts the step back where it was, fields and all,
    // even after others were recorded in front of it.
    void movesAreUndone()
    {
        using Addresses = std::vector<std::u16string>;
        RecordedSequence sequence;
        SequenceUndo undo;
        for (auto* address : {u"http://1/", u"http://2/", u"http://3/"})
            sequence.append(recordFor(address));
        sequence.at(0)->displayName = u"Home";
        QVERIFY(!undo.move(sequence, 0, 3));
        QVERIFY(undo.move(sequence, 0, 2));
        QVERIFY((addresses(sequence) == Addresses{u"http://2/", u"http://3/", u"http://1/"}));
        QVERIFY(undo.move(sequence, 1, 0));
        QVERIFY((addresses(sequence) == Addresses{u"http://3/", u"http://2/", u"http://1/"}));
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(1));
        QVERIFY(sequence.recordAfter(0));
        sequence.append(recordFor(u"http://0/"));
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(0));
        QVERIFY((addresses(sequence) ==
                 Addresses{u"http://1/", u"http://0/", u"http://2/", u"http://3/"}));
        QCOMPARE(sequence.at(0)->displayName, u"Home"s);
    }
};

QTEST_APPLESS_MAIN(TestUrlSequence)
#include "tst_url_sequence.moc"
