#include "message_box.h"

#include <QMessageBox>

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

} // namespace waytrace
