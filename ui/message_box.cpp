#include "message_box.h"

#include <QMessageBox>

#include <utility>

namespace waytrace {

namespace {

void realMessageBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

MessageBoxFunction& current()
{
    static MessageBoxFunction function = realMessageBox;
    return function;
}

} // namespace

void showMessage(QWidget* parent, const QString& title, const QString& text)
{
    current()(parent, title, text);
}

MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function)
{
    return std::exchange(current(), function ? std::move(function) : realMessageBox);
}

} // namespace waytrace
