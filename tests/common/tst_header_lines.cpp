#include "common/header_lines.h"

#include <QTest>

using namespace waytrace;

using Lines = QList<QPair<QByteArray, QByteArray>>;

class TestHeaderLines : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("headers");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("none") << QString() << Lines{};
        QTest::newRow("upload") << QStringLiteral(
                                       "Content-Type: application/x-www-form-urlencoded; "
                                       "charset=UTF-8\r\naccept-charset:UTF-8,*\r\n")
                                << Lines{{"Content-Type",
                                          "application/x-www-form-urlencoded; charset=UTF-8"},
                                         {"accept-charset", "UTF-8,*"}};
        QTest::newRow("no name, no colon, blanks")
            << QStringLiteral(": x\r\nbroken\r\n  X-A :  b c  \r\n\r\n") << Lines{{"X-A", "b c"}};
        QTest::newRow("value with colons")
            << QStringLiteral("Referer: http://a:1/b") << Lines{{"Referer", "http://a:1/b"}};
    }

    void lines()
    {
        QFETCH(QString, headers);
        QFETCH(Lines, lines);
        QCOMPARE(parseHeaderLines(headers), lines);
    }
};

QTEST_APPLESS_MAIN(TestHeaderLines)
#include "tst_header_lines.moc"
