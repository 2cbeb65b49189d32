#include "common/error_trap.h"
#include "resources/string_table.h"
#include "ui/text.h"

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

struct Row
{
    int id;
    const char16_t* english;
    const char16_t* japanese;
    const char16_t* chinese;
};

// The table as the product ships it. Ids 126 and 127 hold only their label prefixes here; the
// configured host and address follow them.
const Row kTable[] = {
    {101, u"Waytrace", u"Waytrace", u"Waytrace"},
    {102, u"File", u"ファイル", u"文件"},
    {103, u"Help", u"ヘルプ", u"帮助"},
    {104, u"New Sequence", u"新規シーケンス", u"新建序列"},
    {105, u"Edit Sequence", u"シーケンス編集", u"编辑序列"},
    {106, u"Save Sequence", u"シーケンス保存", u"保存序列"},
    {107, u"Address", u"アドレス", u"地址"},
    {108, u"Go", u"進む", u"跳转"},
    {109, u"Control Panel", u"コントロールパネル", u"控制盘"},
    {110, u"Exit", u"終了", u"退出"},
    {111, u"Getting Started", u"始めましょう", u"入门"},
    {112, u"About Waytrace", u"Waytraceについて", u"关于Waytrace"},
    {113, u"Url Details", u"URL情報", u"URL明细"},
    {114, u"URL Label", u"URLラベル", u"URL标签"},
    {115, u"Alert Me", u"アラート送信", u"通知我"},
    {116, u"if the following keywords are not found", u"次のキーワードが見つからない場合",
     u"如果不存在以下关键字"},
    {117, u"if the following keywords are found", u"次のキーワードが見つかった場合",
     u"如果存在以下关键字"},
    {118, u"if responsecode is", u"応答コード条件", u"如果响应码为"},
    {119, u"Basic Authentication", u"基本認証", u"基础认证"},
    {120, u"Username", u"ユーザ名", u"用户名"},
    {121, u"Password", u"パスワード", u"密码"},
    {122, u"To remove a track use Del key", u"入力を削除するには、削除キーを使ってください",
     u"使用删除键来删除某个URL"},
    {123, u"Close", u"閉じる", u"关闭"},
    {124, u"Recorded Urls", u"登録URL", u"记录URL"},
    {125, u"This tool is used to automatically configure the URL sequence",
     u"本ツールは、URLシーケンスを自動設定するのに使用します", u"本工具用于自动配置URL序列"},
    {126, u"Website:", u"URL：", u"站点: "},
    {127, u"Support:", u"サポート：", u"支持: "},
    {128, u"OK", u"OK", u"确认"},
    {129, u"System info...", u"システム情報...", u"系统信息..."},
    {130, u"Version:7.0.1", u"バージョン：7.0.1", u"版本: 7.0.1"},
    {131, u"Upload", u"アップロード", u"上载"},
    {132, u"URL Sequence Name", u"URLシーケンス名", u"URL序列名"},
    {133, u"Poll Interval", u"ポーリング間隔", u"轮询间隔"},
    {134, u"min(s)", u"分", u"分钟"},
    {135, u"Host", u"ホスト", u"主机"},
    {136, u"Port", u"ポート番号", u"端口"},
    {137, u"Cancel", u"キャンセル", u"取消"},
    {138,
     u"URL Transaction has been created.You can view the newly created sequence  in the webclient",
     u"URLトランザクションが生成されました。Webクライアントで、新規に生成されたシーケンスを参照でき"
     u"ます",
     u"已经创建了URL序列，可以通过web客户端查看新添加的序列"},
    {139, u"Please check the version", u"バージョンを確認してください", u"请检查版本"},
    {140, u"Unable to save the sequence.Either Authentication failed or Monitor limit exceeded",
     u"シーケンスを保存できません。認証の失敗、または監視の限界を超えています",
     u"不能保存序列，认证错误或者超过了许可证所规定的监视器限制。"},
    {141, u"Unable to connect the Host", u"ホストに接続できません", u"不能连接到主机"},
    {142, u"Please enter the Host Name", u"ホスト名を入力してください", u"请输入主机名"},
    {143, u"Please enter the Port", u"ポート番号を入力してください", u"请输入端口"},
    {144, u"Please enter the Username", u"ユーザ名を入力してください", u"请输入用户名"},
    {145, u"Please enter the Password", u"パスワードを入力してください", u"请输入密码"},
    {146, u"Please enter the name of the sequence", u"シーケンス名を入力してください",
     u"请输入序列名"},
    {147, u"Please enter the poll interval of the sequence",
     u"シーケンスのポーリング間隔を入力してください", u"请输入序列的轮询间隔"},
    {148, u"Greater than", u"右値より大きい", u"大于"},
    {149, u"Equal to", u"右値に等しい", u"等于"},
    {150, u"Not Equal to", u"右値に等しくない", u"不等于"},
    {151, u"Waytrace", u"Waytrace", u"Waytrace"},
    {152, u"134", u"128", u"0"},
    {153, u"MS Sans Serif", u"MS PGothic", u"宋体"},
    {154,
     u"The server did not confirm that the sequence was saved. Check the server and try again.",
     u"サーバーがシーケンスの保存を確認できませんでした。サーバーを確認して、もう一度お試しください"
     u"。",
     u"服务器未确认序列已保存。请检查服务器后重试。"},
};

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
    void table_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        const QString host = QString::fromUtf16(settings::kWebsiteHost);
        const QString support = QString::fromUtf16(settings::kSupportAddress);
        for (const Row& row : kTable) {
            const QString tail = row.id == 126 ? host : row.id == 127 ? support : QString();
            for (const auto& [language, text] :
                 {std::pair{kEnglish, row.english}, std::pair{kJapanese, row.japanese},
                  std::pair{kSimplifiedChinese, row.chinese}})
                QTest::addRow("%d/%d", language, row.id)
                    << language << row.id << QString::fromUtf16(text) + tail;
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

    // The browser's questions and the test run's texts: every text in all three versions, as the
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
