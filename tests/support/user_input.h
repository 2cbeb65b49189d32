#pragma once

// Input as a user gives it: typed key by key, picked with the mouse.

#include "ui/control_panel.h"

#include "named_child.h"
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QTest>

// Keys for ASCII, an input method's commit for anything else.
inline void typeText(QWidget* box, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(c);
            QApplication::sendEvent(box, &commit);
        }
    }
}

inline void retype(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    typeText(box, text);
}

inline void selectEntry(waytrace::ControlPanel& panel, int row)
{
    const auto index = child<QListView>(panel, "urlList")->model()->index(row, 0);
    child<QListView>(panel, "urlList")->scrollTo(index);
    QTest::mouseClick(child<QListView>(panel, "urlList")->viewport(), Qt::LeftButton, {},
                      child<QListView>(panel, "urlList")->visualRect(index).center());
}
