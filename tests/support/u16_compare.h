#pragma once

// Lets QCOMPARE show the values of std::u16string, the text type of the Qt-free rooms, when they
// differ. Compare with u"..."s literals so that both sides are strings.

#include <QString>
#include <QTest>

#include <string>

using namespace std::string_literals;

namespace QTest {

template <> inline char* toString(const std::u16string& text)
{
    return toString(QString::fromStdU16String(text));
}

} // namespace QTest
