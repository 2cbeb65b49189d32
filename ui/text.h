#pragma once

#include "resources/text_id.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <stdexcept>

class QLocale;
class QWidget;

namespace waytrace {

// Windows language ids of the three versions of the string table.
inline constexpr int kEnglish = 1033;
inline constexpr int kJapanese = 1041;
inline constexpr int kSimplifiedChinese = 2052;

// A failed lookup: an id the table lacks, or a character-set text that is not a number.
// Callers that must stop silently run under runTrapped() (error_trap.h).
class TextError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The table version for a locale: Japanese gets 1041; Chinese in the simplified script or of
// China or Singapore gets 2052; everyone else, including an unset locale, 1033.
int languageFor(const QLocale& locale);

// The version in use: the forced one if any, otherwise the one for QLocale::system().
int interfaceLanguage();

// Forces a version for the whole process (tests, screenshots); nullopt goes back to the
// user's settings.
void forceInterfaceLanguage(std::optional<int> languageId);

// Has Qt's own texts (its file dialog's, its context menus') speak the interface language, from
// Qt's installed translations. Returns whether any was needed and found.
bool installQtTranslations();

// Puts another table in place of the compiled-in one (tests); nullopt restores it. An
// unreadable table throws TextError.
void replaceStringTable(std::optional<QByteArray> json);

// The text of a string id in the interface language. Throws TextError for an id the table
// lacks; never returns a default.
QString loadText(int id);
inline QString loadText(TextId id)
{
    return loadText(static_cast<int>(id));
}

// Gives a control the language's font: the face name of FontFace, then the character set of
// FontCharset, kept as the control's "charset" property since no platform font takes one. Size,
// weight and style stay. Throws TextError when either lookup fails or the character set is not
// a number; the name is already set then.
void applyTextFont(QWidget* control);

// The windows' geometry was designed around 8-point captions; a window calls this before it
// localizes so that its captions fit the design. Only the size changes; the face stays the
// desktop's until applyTextFont.
void useDesignFontSize(QWidget* window);

// The property that holds a control's character-set number.
inline constexpr char kCharsetProperty[] = "charset";

} // namespace waytrace
