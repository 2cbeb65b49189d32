#include "webengine/engine_kinds.h"

#include <QMetaEnum>
#include <QTest>

using namespace waytrace;

// Every number the engine uses for a kind is decided, those outside its named values included
// (the build catches a named value only), and the kinds that matter map as the recording needs.
class TestEngineKinds : public QObject
{
    Q_OBJECT

private slots:
    void everyResourceTypeIsDecided()
    {
        using Info = QWebEngineUrlRequestInfo;
        QList<int> values;
        constexpr int kUnusedNumber = 18; // the engine leaves it out of the numbering
        for (int value = 0; value <= Info::ResourceTypeLast; ++value)
            if (value != kUnusedNumber)
                values << value;
        values << Info::ResourceTypeWebSocket << Info::ResourceTypeUnknown;
        for (const int value : values)
            QVERIFY2(isNavigation(static_cast<Info::ResourceType>(value)).has_value(),
                     qPrintable(QString::number(value)));
        QCOMPARE(isNavigation(Info::ResourceTypeMainFrame), true);
        QCOMPARE(isNavigation(Info::ResourceTypeSubFrame), true);
        QCOMPARE(isNavigation(Info::ResourceTypeXhr), false);
    }

    // The interceptor's navigation types follow the page's, which the meta-object lists.
    void everyNavigationTypeIsDecided()
    {
        const auto types = QMetaEnum::fromType<QWebEnginePage::NavigationType>();
        for (int i = 0; i < types.keyCount(); ++i) {
            const int value = types.value(i);
            QVERIFY2(isRedirect(static_cast<QWebEnginePage::NavigationType>(value)).has_value(),
                     types.key(i));
            QVERIFY2(isRedirect(static_cast<QWebEngineUrlRequestInfo::NavigationType>(value))
                         .has_value(),
                     types.key(i));
        }
        QCOMPARE(isRedirect(QWebEnginePage::NavigationTypeRedirect), true);
        QCOMPARE(isRedirect(QWebEngineUrlRequestInfo::NavigationTypeRedirect), true);
        QCOMPARE(isRedirect(QWebEngineUrlRequestInfo::NavigationTypeFormSubmitted), false);
    }

    void everyWindowTypeIsDecided()
    {
        const auto types = QMetaEnum::fromType<QWebEnginePage::WebWindowType>();
        for (int i = 0; i < types.keyCount(); ++i)
            QCOMPARE(opensInPopup(static_cast<QWebEnginePage::WebWindowType>(types.value(i))),
                     true);
    }
};

QTEST_APPLESS_MAIN(TestEngineKinds)
#include "tst_engine_kinds.moc"
