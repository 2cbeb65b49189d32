#include "message_box.h"

#include "text.h"

#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace waytrace {

namespace {

void realMessageBox(QWidget* parent, const QString& title, const QString& text)
{
    makeMessageBox(parent, title, text)->exec();
}

MessageBoxFunction& current()
{
    static MessageBoxFunction function = realMessageBox;
    return function;
}

SaveAnswer realSaveQuestion(QWidget* parent, const QString& title)
{
    switch (askChoice(parent, title, loadText(TextId::SaveChangesQuestion),
                      {loadText(TextId::SaveChanges), loadText(TextId::DiscardChanges),
                       loadText(TextId::Cancel)})) {
    case 0:
        return SaveAnswer::Save;
    case 1:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

SaveQuestionFunction& currentSaveQuestion()
{
    static SaveQuestionFunction function = realSaveQuestion;
    return function;
}

} // namespace

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& title,
                                            const QString& text)
{
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    // A page's alert goes through here too: its markup is shown, never rendered.
    box->setTextFormat(Qt::PlainText);
    return box;
}

int askChoice(QWidget* parent, const QString& title, const QString& text,
              const QStringList& choices)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> buttons;
    for (const auto& choice : choices)
        buttons << box.addButton(choice, buttons.size() + 1 == choices.size()
                                             ? QMessageBox::RejectRole
                                             : QMessageBox::AcceptRole);
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.value(0)));
    box.setEscapeButton(buttons.value(buttons.size() - 1));
    box.exec();
    const auto taken = buttons.indexOf(box.clickedButton());
    return taken < 0 ? static_cast<int>(choices.size()) - 1 : static_cast<int>(taken);
}

void showMessage(QWidget* parent, const QString& title, const QString& text)
{
    current()(parent, title, text);
}

MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function)
{
    return std::exchange(current(), function ? std::move(function) : realMessageBox);
}

SaveAnswer askToSaveChanges(QWidget* parent, const QString& title)
{
    return currentSaveQuestion()(parent, title);
}

SaveQuestionFunction setSaveQuestionFunction(SaveQuestionFunction function)
{
    return std::exchange(currentSaveQuestion(), function ? std::move(function) : realSaveQuestion);
}

} // namespace waytrace
