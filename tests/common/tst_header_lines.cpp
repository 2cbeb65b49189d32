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

    void framingIsTheNetworksOwn()
    {
        QCOMPARE(headerUse("content-length"), HeaderUse::Ignored);
        QCOMPARE(headerUse("Host"), HeaderUse::Ignored);
        QCOMPARE(headerUse("Content-Type"), HeaderUse::Sent);
    }

    // A refusal names the header, never its value: it may be a password.
    void refusalsNameTheHeaderOnly()
    {
        QCOMPARE(headerLinesFault("X-A: 1\r\nAuthorization: Basic c2VjcmV0\nX: y\r\n"),
                 QStringLiteral("the header line \"Authorization\" holds a line break or NUL of "
                                "its own"));
        QVERIFY(!headerLinesFault("Basic c2VjcmV0\n").contains("c2VjcmV0"));
    }
};

QTEST_APPLESS_MAIN(TestHeaderLines)
#include "tst_header_lines.moc"
