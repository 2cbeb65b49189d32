#include "common/error_trap.h"
#include "resources/all_text_ids.h"
#include "resources/string_table.h"
#include "ui/text.h"
#include "ui/trial_run_texts.h"

#include <waytrace/build_settings.h>

#include <QFontInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>

using namespace waytrace;

namespace {

// Restores the compiled-in table and the user's language however a test ends.
struct Restore
{
    ~Restore()
    {
        replaceStringTable(std::nullopt);
        forceInterfaceLanguage(std::nullopt);
    }
};

QByteArray tableWith(const QByteArray& charset)
{
    return R"({"1033": {"101": "Waytrace", "152": ")" + charset + R"(", "153": "MS Sans Serif"}})";
}

} // namespace

class TestText : public QObject
{
    Q_OBJECT

private slots:
    // Every text of the compiled table, in each language, with the configured host and support
    // address in place of their placeholders.
    void table_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        const QString host = QString::fromUtf16(settings::kWebsiteHost);
        const QString support = QString::fromUtf16(settings::kSupportAddress);
        const auto table = QJsonDocument::fromJson(compiledStringTable()).object();
        for (int language : {kEnglish, kJapanese, kSimplifiedChinese}) {
            const auto texts = table.value(QString::number(language)).toObject();
            QVERIFY(!texts.isEmpty());
            for (auto it = texts.begin(); it != texts.end(); ++it) {
                QString text = it.value().toString();
                text.replace(QLatin1String("{websiteHost}"), host)
                    .replace(QLatin1String("{supportAddress}"), support);
                QTest::addRow("%d/%s", language, qPrintable(it.key()))
                    << language << it.key().toInt() << text;
            }
        }
    }

    void table()
    {
        QFETCH(int, language);
        QFETCH(int, id);
        QFETCH(QString, text);
        Restore restore;
        forceInterfaceLanguage(language);
        QCOMPARE(loadText(id), text);
    }

    void idsOutsideTheTableThrow_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("id");
        for (int language : {kEnglish, kJapanese, kSimplifiedChinese})
            for (int id : {0, -1, 100, 155})
                QTest::addRow("%d/%d", language, id) << language << id;
    }

    void idsOutsideTheTableThrow()
    {
        QFETCH(int, language);
        QFETCH(int, id);
        Restore restore;
        forceInterfaceLanguage(language);
        QVERIFY_THROWS_EXCEPTION(TextError, loadText(id));
    }

    // Every named id has a text in each language, and every id of the table has a name.
    void namedIdsMatchTheTable()
    {
        Restore restore;
        QStringList named;
        for (const TextId id : kAllTextIds) {
            named << QString::number(static_cast<int>(id));
            for (int language : {kEnglish, kJapanese, kSimplifiedChinese}) {
                forceInterfaceLanguage(language);
                QVERIFY2(!loadText(id).isEmpty(), qPrintable(named.last()));
            }
        }
        const auto table = QJsonDocument::fromJson(compiledStringTable()).object();
        QCOMPARE(table.keys().size(), 3);
        for (const auto& language : table)
            QCOMPARE(language.toObject().keys(), named);
    }

    // The browser's questions and the trial run's texts: every text in all three versions, as the
    // table's texts are.
    void browserPromptAndTrialRunTexts()
    {
        Restore restore;
        for (int id = 160; id <= 202; ++id) {
            QString english;
            for (int language : {kEnglish, kJapanese, kSimplifiedChinese}) {
                forceInterfaceLanguage(language);
                const QString text = loadText(id);
                QVERIFY2(!text.isEmpty() && text == text.trimmed() && !text.contains(u'&') &&
                             (!text.contains(u'\n') || id == 199),
                         qPrintable(QString::number(id)));
                if (language == kEnglish)
                    english = text;
                else if (id != 165) // "Secure (HTTPS)" reads the same in Chinese
                    QVERIFY2(text != english, qPrintable(QString::number(id)));
            }
        }
    }

    void languageChoice_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("language");
        QTest::newRow("ja_JP") << QLocale("ja_JP") << kJapanese;
        QTest::newRow("zh_CN") << QLocale("zh_CN") << kSimplifiedChinese;
        QTest::newRow("zh_SG") << QLocale("zh_SG") << kSimplifiedChinese;
        QTest::newRow("zh (simplified by default)") << QLocale("zh") << kSimplifiedChinese;
        QTest::newRow("zh_TW") << QLocale("zh_TW") << kEnglish;
        QTest::newRow("zh_HK") << QLocale("zh_HK") << kEnglish;
        QTest::newRow("en_US") << QLocale("en_US") << kEnglish;
        QTest::newRow("de_DE") << QLocale("de_DE") << kEnglish;
        QTest::newRow("unset (C)") << QLocale::c() << kEnglish;
    }

    void languageChoice()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, language);
        QCOMPARE(languageFor(locale), language);
    }

    void forcedLanguageWinsUntilCleared()
    {
        Restore restore;
        forceInterfaceLanguage(kJapanese);
        QCOMPARE(loadText(102), QStringLiteral("ファイル"));
        forceInterfaceLanguage(std::nullopt);
        QCOMPARE(interfaceLanguage(), languageFor(QLocale::system()));
    }

    // Qt's own dialogs speak the interface language too.
    void qtTextsFollowTheInterfaceLanguage()
    {
        Restore restore;
        const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
        // The engine's page menu asks in a context of its own.
        const auto viewSource = [] {
            return QCoreApplication::translate("RenderViewContextMenuQt", "View page source");
        };
        // The words differ between Qt releases; their script does not.
        forceInterfaceLanguage(kJapanese);
        QVERIFY(installQtTranslations());
        QVERIFY(lookIn().contains(QRegularExpression(QStringLiteral("[\\x{30A0}-\\x{30FF}]"))));
        QCOMPARE(viewSource(), loadText(TextId::EngineViewPageSource));
        QVERIFY(viewSource() != QStringLiteral("View page source"));
        // A condition stored in English reads in the interface language.
        QCOMPARE(conditionText(UrlRecord()), loadText(TextId::GreaterThan) + " 200");
        forceInterfaceLanguage(kSimplifiedChinese);
        QVERIFY(installQtTranslations());
        QVERIFY(lookIn().contains(QRegularExpression(QStringLiteral("[\\x{4E00}-\\x{9FFF}]"))));
        forceInterfaceLanguage(kEnglish);
        QVERIFY(!installQtTranslations());
        QCOMPARE(lookIn(), QStringLiteral("Look in:"));
        QCOMPARE(viewSource(), QStringLiteral("View page source"));
    }

    void fontOfEachLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("installed"); // what draws it here; empty: any non-CJK face
        QTest::newRow("English") << kEnglish << "MS Sans Serif" << 134 << QString();
        QTest::newRow("Japanese") << kJapanese << "MS PGothic" << 128 << "Noto Sans CJK JP";
        QTest::newRow("Chinese") << kSimplifiedChinese << QStringLiteral("宋体") << 0
                                 << "Noto Sans CJK SC";
    }

    void fontOfEachLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, face);
        QFETCH(int, charset);
        QFETCH(QString, installed);
        Restore restore;
        forceInterfaceLanguage(language);

        QLabel control(QStringLiteral("caption"));
        QFont font = control.font();
        font.setPointSize(13);
        font.setBold(true);
        font.setItalic(true);
        control.setFont(font);

        applyTextFont(&control);
        QCOMPARE(control.font().family(), face);
        QCOMPARE(control.property(kCharsetProperty).toInt(), charset);
        QCOMPARE(control.font().pointSize(), 13);
        QVERIFY(control.font().bold());
        QVERIFY(control.font().italic());
        QCOMPARE(control.text(), QStringLiteral("caption"));

        const QString drawnWith = QFontInfo(control.font()).family();
        if (installed.isEmpty())
            QVERIFY2(!drawnWith.contains(QLatin1String("CJK")), qPrintable(drawnWith));
        else
            QCOMPARE(drawnWith, installed);
    }

    void badCharacterSetThrowsAfterTheName_data()
    {
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("word") << QByteArray("ANSI");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("trailing text") << QByteArray("134x");
    }

    void badCharacterSetThrowsAfterTheName()
    {
        QFETCH(QByteArray, charset);
        Restore restore;
        forceInterfaceLanguage(kEnglish);
        replaceStringTable(tableWith(charset));

        QLabel control;
        QVERIFY_THROWS_EXCEPTION(TextError, applyTextFont(&control));
        QCOMPARE(control.font().family(), QStringLiteral("MS Sans Serif"));
        QVERIFY(!control.property(kCharsetProperty).isValid());

        // A trapped step ends there, the steps before it stay done, and the log says why.
        QString reached;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^handler stopped: character set"));
        runTrapped([&] {
            reached = loadText(101);
            applyTextFont(&control);
            reached = QStringLiteral("past the font");
        });
        QCOMPARE(reached, QStringLiteral("Waytrace"));
    }

    void unreadableTableIsRefused()
    {
        Restore restore;
        QVERIFY_THROWS_EXCEPTION(TextError, replaceStringTable(QByteArray("{\"1033\": [")));
        QVERIFY_THROWS_EXCEPTION(TextError,
                                 replaceStringTable(QByteArray(R"({"1033": {"x": "y"}})")));
        forceInterfaceLanguage(kEnglish);
        QCOMPARE(loadText(101), QStringLiteral("Waytrace")); // the compiled-in table stays
    }
};

QTEST_MAIN(TestText)
#include "tst_text.moc"
