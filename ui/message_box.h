#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace waytrace {

// Every message box of the program: modal, OK only. Tests put a recorder in its place so that
// nothing ever blocks on a modal box.
using MessageBoxFunction =
    std::function<void(QWidget* parent, const QString& title, const QString& text)>;

void showMessage(QWidget* parent, const QString& title, const QString& text);

// The box showMessage() shows, not yet shown: for a look at it without blocking.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& title,
                                            const QString& text);

// Replaces the function behind showMessage(); an empty function restores the real box.
// Returns the one it replaced.
MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function);

// A question with buttons for `choices`, the first the default, the last the way out (Esc,
// closing the box). Returns the index of the choice taken.
int askChoice(QWidget* parent, const QString& title, const QString& text,
              const QStringList& choices);

// The question before unsaved work would go: keep it in a file first, let it go, or stay.
enum class SaveAnswer
{
    Save,
    Discard,
    Cancel,
};
using SaveQuestionFunction = std::function<SaveAnswer(QWidget* parent, const QString& title)>;
SaveAnswer askToSaveChanges(QWidget* parent, const QString& title);
// Replaces the function behind askToSaveChanges() (tests); an empty one restores the real box.
SaveQuestionFunction setSaveQuestionFunction(SaveQuestionFunction function);

} // namespace waytrace
