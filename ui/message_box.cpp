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
    QMessageBox box(QMessageBox::Question, title, loadText(TextId::SaveChangesQuestion),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("saveChangesQuestion"));
    auto* save = box.addButton(loadText(TextId::SaveChanges), QMessageBox::AcceptRole);
    auto* discard = box.addButton(loadText(TextId::DiscardChanges), QMessageBox::DestructiveRole);
    box.setEscapeButton(box.addButton(loadText(TextId::Cancel), QMessageBox::RejectRole));
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == save)
        return SaveAnswer::Save;
    return box.clickedButton() == discard ? SaveAnswer::Discard : SaveAnswer::Cancel;
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
