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
        QTest::newRow("bare CR, LF or NUL never sent")
            << QStringLiteral("X-A: 1\nEvil: 2\r\nX-B: 3\rX\r\nX-C: a")
                   .append(QChar(u'\0'))
                   .append(QStringLiteral("\r\nX-D: 4"))
            << Lines{{"X-D", "4"}};
    }

    void lines()
    {
        QFETCH(QString, headers);
        QFETCH(Lines, lines);
        QCOMPARE(parseHeaderLines(headers), lines);
        QCOMPARE(headerLinesFault(headers).isEmpty(),
                 !QByteArray(QTest::currentDataTag()).startsWith("bare"));
    }

    void credentialsAndFramingAreTheirOwn()
    {
        QCOMPARE(headerUse("content-length"), HeaderUse::Ignored);
        QCOMPARE(headerUse("Host"), HeaderUse::Ignored);
        QCOMPARE(headerUse("COOKIE"), HeaderUse::OwnOriginOnly);
        QCOMPARE(headerUse("Authorization"), HeaderUse::OwnOriginOnly);
        QCOMPARE(headerUse("Content-Type"), HeaderUse::Sent);
    }
};

QTEST_APPLESS_MAIN(TestHeaderLines)
#include "tst_header_lines.moc"
