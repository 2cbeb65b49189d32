#include "text.h"

#include "resources/string_table.h"

#include <waytrace/build_settings.h>

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWidget>

namespace waytrace {

namespace {

using Version = QHash<int, QString>;
using Table = QHash<int, Version>;

[[noreturn]] void fail(const QString& what)
{
    throw TextError(what.toStdString());
}

int numericKey(const QString& key, const char* what)
{
    bool ok = false;
    const int value = key.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("string table: %1 \"%2\" is not a number").arg(what, key));
    return value;
}

Table parseTable(const QByteArray& json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        fail(QStringLiteral("string table unreadable: %1").arg(error.errorString()));

    const QString websiteHost = QString::fromUtf16(settings::kWebsiteHost);
    const QString supportAddress = QString::fromUtf16(settings::kSupportAddress);
    Table table;
    const QJsonObject languages = document.object();
    for (auto language = languages.begin(); language != languages.end(); ++language) {
        if (!language.value().isObject())
            fail(QStringLiteral("string table: language %1 is not an object").arg(language.key()));
        Version& version = table[numericKey(language.key(), "language")];
        const QJsonObject texts = language.value().toObject();
        for (auto entry = texts.begin(); entry != texts.end(); ++entry) {
            if (!entry.value().isString())
                fail(QStringLiteral("string table: id %1 is not a text").arg(entry.key()));
            QString text = entry.value().toString();
            text.replace(QLatin1String("{websiteHost}"), websiteHost);
            text.replace(QLatin1String("{supportAddress}"), supportAddress);
            version.insert(numericKey(entry.key(), "id"), text);
        }
    }
    return table;
}

struct TextState
{
    std::optional<Table> table;
    std::optional<int> forcedLanguage;
};

TextState& state()
{
    static TextState instance;
    return instance;
}

// The compiled-in table cannot change while the program runs, so it is parsed once; every
// loadText still looks its id up at the moment of the call.
const Table& table()
{
    auto& current = state();
    if (!current.table)
        current.table = parseTable(compiledStringTable());
    return *current.table;
}

// The table names Windows fonts; these are the installed faces that stand in for them.
void installFontSubstitutions()
{
    static const bool installed = [] {
        const QString desktopSans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {desktopSans, QStringLiteral("DejaVu Sans")});
        QFont::insertSubstitutions(
            QStringLiteral("MS PGothic"),
            {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans CJK SC"), desktopSans});
        QFont::insertSubstitutions(
            QStringLiteral("\u5B8B\u4F53"), // SimSun's Chinese name
            {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK JP"), desktopSans});
        return true;
    }();
    (void)installed;
}

} // namespace

int languageFor(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Japanese:
        return kJapanese;
    case QLocale::Chinese:
        if (locale.script() == QLocale::SimplifiedHanScript ||
            locale.territory() == QLocale::China || locale.territory() == QLocale::Singapore)
            return kSimplifiedChinese;
        return kEnglish;
    default:
        return kEnglish;
    }
}

int interfaceLanguage()
{
    const auto& forced = state().forcedLanguage;
    return forced ? *forced : languageFor(QLocale::system());
}

void forceInterfaceLanguage(std::optional<int> languageId)
{
    state().forcedLanguage = languageId;
}

namespace {

// The engine's own page menu (Back, Reload, View page source...) asks Qt for its words in this
// context; Debian ships no Japanese for it, so they come from the string table.
class EngineMenuTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override
    {
        static constexpr std::pair<const char*, TextId> kItems[] = {
            {"Back", TextId::EngineBack},
            {"Forward", TextId::EngineForward},
            {"Reload", TextId::EngineReload},
            {"Cut", TextId::EngineCut},
            {"Copy", TextId::EngineCopy},
            {"Paste", TextId::EnginePaste},
            {"Undo", TextId::EngineUndo},
            {"Redo", TextId::EngineRedo},
            {"Select all", TextId::EngineSelectAll},
            {"Paste and match style", TextId::EnginePasteAndMatchStyle},
            {"Open link in new window", TextId::EngineOpenLinkInNewWindow},
            {"Open link in new tab", TextId::EngineOpenLinkInNewTab},
            {"Copy link address", TextId::EngineCopyLinkAddress},
            {"Save link", TextId::EngineSaveLink},
            {"Copy image", TextId::EngineCopyImage},
            {"Copy image address", TextId::EngineCopyImageAddress},
            {"Save image", TextId::EngineSaveImage},
            {"Copy media address", TextId::EngineCopyMediaAddress},
            {"Show controls", TextId::EngineShowControls},
            {"Loop", TextId::EngineLoop},
            {"Save media", TextId::EngineSaveMedia},
            {"Inspect", TextId::EngineInspect},
            {"Exit full screen", TextId::EngineExitFullScreen},
            {"Save page", TextId::EngineSavePage},
            {"View page source", TextId::EngineViewPageSource},
        };
        if (qstrcmp(context, "RenderViewContextMenuQt") != 0)
            return {};
        for (const auto& [source, id] : kItems)
            if (qstrcmp(sourceText, source) == 0)
                return loadText(id);
        return {};
    }
    [[nodiscard]] bool isEmpty() const override { return false; }
};

} // namespace

bool installQtTranslations()
{
    static QTranslator translator;
    static EngineMenuTranslator engineMenu;
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&engineMenu);
    const int language = interfaceLanguage();
    if (language == kEnglish)
        return false;
    QCoreApplication::installTranslator(&engineMenu);
    const auto name =
        language == kJapanese ? QStringLiteral("qtbase_ja") : QStringLiteral("qtbase_zh_CN");
    if (!translator.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

void replaceStringTable(std::optional<QByteArray> json)
{
    state().table = json ? std::optional<Table>(parseTable(*json)) : std::nullopt;
}

QString loadText(int id)
{
    const int language = interfaceLanguage();
    const Table& texts = table();
    const auto version = texts.constFind(language);
    if (version == texts.constEnd())
        fail(QStringLiteral("string table has no language %1").arg(language));
    const auto text = version->constFind(id);
    if (text == version->constEnd())
        fail(QStringLiteral("string table has no id %1 in language %2").arg(id).arg(language));
    return *text;
}

void applyTextFont(QWidget* control)
{
    installFontSubstitutions();
    QFont font = control->font();
    font.setFamily(loadText(TextId::FontFace));
    control->setFont(font);

    const QString charsetText = loadText(TextId::FontCharset);
    bool ok = false;
    const int charset = charsetText.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("character set \"%1\" is not a number").arg(charsetText));
    control->setProperty(kCharsetProperty, charset);
}

void useDesignFontSize(QWidget* window)
{
    QFont font = window->font();
    font.setPointSize(8);
    window->setFont(font);
}

} // namespace waytrace
