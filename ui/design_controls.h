#pragma once

// Building a window from its design: each control gets its name and its design geometry in
// twips; at load it gets its caption from the string table and then the language's font.

#include "browser/twips.h"
#include "text.h"

#include <QLatin1String>
#include <QString>

#include <initializer_list>
#include <utility>

class QLabel;
class QLineEdit;
class QObject;
class QWidget;

namespace waytrace {

// A fixed dialog frame: a title and a close box, no minimize or maximize button.
inline constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                     Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint;

template <typename Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twipsRect(left, top, width, height));
    return control;
}

// Each control's object name is its member's name without the trailing "_": tests find the
// controls by it.
void setObjectNames(std::initializer_list<std::pair<QObject*, const char*>> names);

// A caption that wraps inside its box and starts at its top left, as the design draws them.
QLabel* captionLabel(QWidget* parent, const char* name, const char* text, int left, int top,
                     int width, int height);

// A label that wraps, for text that comes from outside the program (a site, a certificate):
// shown as plain text, so that no markup in it can pass for the program's own.
QLabel* plainLabel(QWidget* parent, const char* name, const QString& text = {});

// A text box for values of any length.
QLineEdit* textBox(QWidget* parent, const char* name, const char* text, int left, int top,
                   int width, int height);

// Qt's boxes stop at 32,767 characters; a recorded address or keyword list may be longer, and
// cutting it would rewrite the record on the next key release.
void liftLengthLimit(QLineEdit* box);

// Keyboard focus moves through the controls in this order; null entries are passed over.
void setTabChain(std::initializer_list<QWidget*> controls);

// The caption of string `id`, then the font: the order every window localizes in.
template <typename Control> void setCaption(Control* control, TextId id)
{
    if constexpr (requires { control->setTitle(QString()); })
        control->setTitle(loadText(id)); // a frame
    else
        control->setText(loadText(id));
    applyTextFont(control);
}

} // namespace waytrace
