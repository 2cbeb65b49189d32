#include "browser_keys.h"

#include "browser/browser.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace waytrace {

void addBrowserKeys(QWidget& window, Browser& browser)
{
    using Command = Browser::Command;
    const struct
    {
        QKeySequence keys;
        Command command;
    } bindings[] = {
        {QKeySequence(Qt::ALT | Qt::Key_Left), Command::Back},
        {QKeySequence(Qt::ALT | Qt::Key_Right), Command::Forward},
        {QKeySequence(Qt::Key_F5), Command::Reload},
        {QKeySequence(Qt::CTRL | Qt::Key_R), Command::Reload},
        {QKeySequence(Qt::Key_Escape), Command::Stop},
    };
    for (const auto& [keys, command] : bindings) {
        auto* shortcut = new QShortcut(keys, &window);
        QObject::connect(shortcut, &QShortcut::activated, &browser,
                         [&browser, command = command] { browser.run(command); });
    }
}

} // namespace waytrace
