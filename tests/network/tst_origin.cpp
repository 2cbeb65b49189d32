#include "network/origin.h"

#include <QTest>

using namespace waytrace;

// The one origin rule of the upload's redirects and the trial run's credentials.
class TestOrigin : public QObject
{
    Q_OBJECT

private slots:
    void sameOrigin_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("path and query differ") << "http://h/a?x"
                                               << "http://h/b" << true;
        QTest::newRow("default port written") << "http://h/"
                                              << "http://h:80/" << true;
        QTest::newRow("https default port") << "https://h/"
                                            << "https://h:443/" << true;
        QTest::newRow("case of scheme and host") << "HTTP://Host/"
                                                 << "http://host/" << true;
        QTest::newRow("other port") << "http://h:8080/"
                                    << "http://h/" << false;
        QTest::newRow("other scheme") << "https://h/"
                                      << "http://h:443/" << false;
        QTest::newRow("other host") << "http://h/"
                                    << "http://g/" << false;
        // An unknown scheme has no default port: 80 written is not the same as none.
        QTest::newRow("unknown scheme, port 80") << "ftp://h/"
                                                 << "ftp://h:80/" << false;
        QTest::newRow("unknown scheme, same") << "ftp://h/"
                                              << "ftp://h/a" << true;
        // Nothing without a host or with an invalid address shares an origin.
        QTest::newRow("no host") << "file:///a"
                                 << "file:///b" << false;
        QTest::newRow("invalid") << "http://h:99999/"
                                 << "http://h:99999/" << false;
    }

    void sameOrigin()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(waytrace::sameOrigin(QUrl(a), QUrl(b)), same);
        QCOMPARE(waytrace::sameOrigin(QUrl(b), QUrl(a)), same);
    }
};

QTEST_APPLESS_MAIN(TestOrigin)
#include "tst_origin.moc"
