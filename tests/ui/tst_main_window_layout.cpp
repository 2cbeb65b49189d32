#include "ui/main_window_layout.h"

#include <QTest>

using namespace waytrace;

class TestMainWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void followsTheWindowSize_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("expected"); // browser w, h, frames, go, line end, address
        // Where a rule guards a value, the control keeps its design value: browser height
        // 11070, address box width 8175, Go at 9600 with the line's end at 10560.
        QTest::newRow("usual") << 13500 << 11000
                               << QList<int>{12950, 8850, 12950, 12570, 13270, 11415};
        QTest::newRow("too low: browser keeps its height")
            << 13500 << 2000 << QList<int>{12950, 11070, 12950, 12570, 13270, 11415};
        QTest::newRow("narrow: address box keeps its width")
            << 2000 << 11000 << QList<int>{1450, 8850, 1450, 1070, 1770, 8175};
        QTest::newRow("too narrow for Go: the box still follows where Go stays")
            << 900 << 11000 << QList<int>{350, 8850, 350, 9600, 10560, 8445};
        QTest::newRow("wider than 16 bits")
            << 100000 << 70000 << QList<int>{99450, 67850, 99450, 99070, 99770, 97915};
    }

    void followsTheWindowSize()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QList<int>, expected);
        const auto l = layoutMainWindow(width, height, MainWindowLayout{});
        QCOMPARE((QList<int>{l.browserWidth, l.browserHeight, l.commandFrameWidth, l.goLeft,
                             l.lineX2, l.addressWidth}),
                 expected);
        QCOMPARE(l.addressFrameWidth, l.commandFrameWidth);
    }

    void guardedValuesKeepTheLastLayout()
    {
        const auto wide = layoutMainWindow(20000, 15000, MainWindowLayout{});
        const auto shrunk = layoutMainWindow(2000, 1000, wide);
        QCOMPARE(shrunk.browserHeight, wide.browserHeight);
        QCOMPARE(shrunk.addressWidth, wide.addressWidth);
        QCOMPARE(shrunk.goLeft, 1070);
    }
};

QTEST_APPLESS_MAIN(TestMainWindowLayout)
#include "tst_main_window_layout.moc"
