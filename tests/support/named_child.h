#pragma once

// Tests reach a window's controls as its users see them: by object name, never through members.

#include <QObject>
#include <QtGlobal>

// The one object of type T named `name` within `window`; a name that is missing or repeated
// ends the test run, since every check after it would be about the wrong control.
template <typename T> T* child(const QObject& window, const char* name)
{
    const auto found = window.findChildren<T*>(QLatin1String(name));
    if (found.size() != 1)
        qFatal("%d objects of type %s named %s", static_cast<int>(found.size()),
               T::staticMetaObject.className(), name);
    return found.first();
}
