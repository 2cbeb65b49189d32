#include "../support/engine_window.h"
#include "../support/named_child.h"

#include "fixture_server.h"

#include "app/command_line.h"
#include "output/sequence_document.h"
#include "ui/control_panel.h"
#include "ui/popup_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>

using namespace waytrace;

class TestMainWindowEngine : public QObject
{
    Q_OBJECT

    // Opens the page's context menu at `at` and picks the menu item that starts with `text`.
    static bool pickFromPageMenu(EngineWindow& w, QPoint at, const QString& text)
    {
        // The view asks for its menu as the engine does on a right click (the engine's mouse
        // handling differs between releases; what the menu offers is what is tested).
        emit w.pageBrowser()->widget()->customContextMenuRequested(at);
        QMenu* menu = nullptr;
        if (!QTest::qWaitFor(
                [&] {
                    return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) !=
                           nullptr;
                },
                kLoadTimeoutMs))
            return false;
        for (auto* action : menu->actions())
            if (action->text().startsWith(text)) {
                action->trigger();
                menu->close();
                return true;
            }
        menu->close();
        return false;
    }

private slots:
    // Text selected in the page or in one of its frames becomes a keyword of the step that
    // loaded it, from the page's context menu, and goes into the document.
    void checksComeFromSelectedText()
    {
        FixtureServer pages(QStringLiteral(FIXTURES_DIR));
        EngineWindow w;
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);
        const auto frames = pages.url("frames.html");
        QVERIFY(loads(w.pageBrowser(), frames, [&] { w.typeAddress(frames); }));
        auto& sequence = w.form->sequence();
        QTRY_COMPARE_WITH_TIMEOUT(sequence.count(), 3u, kLoadTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(sequence.at(0)->seen.has_value(), kLoadTimeoutMs);
        const QString frameA = pages.url("frame_a.html");
        const auto frameStep =
            QString::fromStdU16String(sequence.at(1)->urlAddress) == frameA ? 2U : 3U;

        EngineWindow::run(w.pageBrowser(),
                          "const d = frames[0].document; d.body.insertAdjacentHTML('beforeend',"
                          " '<p id=t>Inner  words</p>');"
                          "frames[0].getSelection().selectAllChildren(d.getElementById('t'))");
        QTest::qWait(300);
        QVERIFY(pickFromPageMenu(
            w, {40, 40}, "Alert if this text is missing (step " + QString::number(frameStep)));
        QCOMPARE(sequence.at(frameStep - 1)->requiredKeywords, u"Inner words");
        QVERIFY(sequence.at(0)->requiredKeywords.empty());

        EngineWindow::run(w.pageBrowser(), "frames[0].getSelection().removeAllRanges()");
        QTest::qWait(300);
        QVERIFY(pickFromPageMenu(w, {700, 400}, "Alert if this text appears (step 1)"));
        QCOMPARE(sequence.at(0)->forbiddenKeywords, u"Frames"); // the title
        QVERIFY(buildSequenceDocument(sequence).find(u"Inner words") != std::u16string::npos);
    }

    void startsOnTheHelpPageInEachLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("name");
        QTest::newRow("English") << kEnglish << "en";
        QTest::newRow("Japanese") << kJapanese << "ja";
        QTest::newRow("Chinese") << kSimplifiedChinese << "zh";
    }

    void startsOnTheHelpPageInEachLanguage()
    {
        QFETCH(int, language);
        QFETCH(QString, name);
        EngineWindow w(language);
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);
        QVERIFY(w.form->controlPanel().isVisible());
        QCOMPARE(w.form->sequence().count(), 0u);

        // For people to look at: the window as it opens, and the panel beside it.
        QTest::qWait(300);
        const QString folder = QStringLiteral(SCREENSHOT_DIR);
        QDir().mkpath(folder);
        QVERIFY(w.form->grab().save(folder + "/main_" + name + ".png"));
        QVERIFY(w.form->controlPanel().grab().save(folder + "/main_panel_" + name + ".png"));
    }

    void helpAddressIsNeverRecordedButTypedAddressesAre()
    {
        FixtureServer pages(QStringLiteral(FIXTURES_DIR));
        EngineWindow w;
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);

        QTest::keyClick(w.addressEdit(), Qt::Key_Return); // reloads the help page
        child<QPushButton>(*w.form, "goButton")->click(); // does nothing on the help page
        const auto index = pages.url("index.html");
        QVERIFY(loads(w.pageBrowser(), index, [&] { w.typeAddress(index); }));
        QCOMPARE(w.form->sequence().count(), 1u);
        QCOMPARE(pages.requestsTo("/index.html").size(), 1);
        QCOMPARE(QString::fromStdU16String(w.form->sequence().at(0)->urlAddress), index);
    }

    void startAddressOpensInsteadOfTheHelpPageAndIsRecorded()
    {
        FixtureServer pages(QStringLiteral(FIXTURES_DIR));
        EngineWindow w;
        const auto index = pages.url("index.html");
        QVERIFY(loads(w.pageBrowser(), index, [&] { openStartAddress(*w.form, index); }));
        QTest::qWait(500); // the help page, asked for first, must not come in after it
        QCOMPARE(w.addressEdit()->text(), index);
        QCOMPARE(w.form->sequence().count(), 1u);
        QCOMPARE(QString::fromStdU16String(w.form->sequence().at(0)->urlAddress), index);
    }

    void aPageThatCannotLoadStillRefreshesThePanel()
    {
        EngineWindow w;
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const auto refused = QStringLiteral("http://127.0.0.1:%1/shop").arg(probe.serverPort());
        probe.close();
        QVERIFY(loads(w.pageBrowser(), refused, [&] { w.typeAddress(refused); }));
        QCOMPARE(w.form->sequence().count(), 1u);
        QCOMPARE(child<QListView>(w.form->controlPanel(), "urlList")->model()->rowCount(), 1);
        QVERIFY(w.form->controlPanel().isVisible());
    }

    void windowsOpenedOneAfterTheOtherShareThePopup()
    {
        FixtureServer pages(QStringLiteral(FIXTURES_DIR));
        EngineWindow w;
        QTRY_COMPARE_WITH_TIMEOUT(w.addressEdit()->text(), w.helpUrl, kLoadTimeoutMs);
        QVERIFY(loads(w.pageBrowser(), pages.url("popups.html"),
                      [&] { w.typeAddress(pages.url("popups.html")); }));

        EngineWindow::run(w.pageBrowser(), "document.getElementById('blank').click()");
        QTRY_VERIFY_WITH_TIMEOUT(w.form->hasPopup() && w.form->popup().isVisible(), kLoadTimeoutMs);
        auto* popup = &w.form->popup();
        QTRY_COMPARE_WITH_TIMEOUT(popup->windowTitle(), pages.url("page2.html?via=blank"),
                                  kLoadTimeoutMs);

        EngineWindow::run(w.pageBrowser(), "document.getElementById('open').click()");
        QTRY_COMPARE_WITH_TIMEOUT(popup->windowTitle(), pages.url("page2.html?via=open"),
                                  kLoadTimeoutMs);
        QCOMPARE(&w.form->popup(), popup);

        QStringList recorded;
        for (const auto& record : w.form->sequence())
            recorded.append(QString::fromStdU16String(record->urlAddress));
        QCOMPARE(recorded, QStringList({pages.url("popups.html"), pages.url("page2.html?via=blank"),
                                        pages.url("page2.html?via=open")}));
        QCOMPARE(w.form->y(), 0);

        // A page that closes its own window hides the popup; the next new window shows it.
        EngineWindow::run(w.pageBrowser(), "document.getElementById('closer').click()");
        QTRY_COMPARE_WITH_TIMEOUT(popup->windowTitle(), pages.url("closer.html"), kLoadTimeoutMs);
        EngineWindow::run(popup->pageBrowser, "window.close()");
        QTRY_VERIFY_WITH_TIMEOUT(!popup->isVisible(), kLoadTimeoutMs);
        EngineWindow::run(w.pageBrowser(), "document.getElementById('blank').click()");
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), kLoadTimeoutMs);
        QCOMPARE(&w.form->popup(), popup);

        child<QAction>(*w.form, "exitAction")->trigger();
        QVERIFY(!w.form->isVisible());
        QVERIFY(!popup->isVisible());
        QVERIFY(!w.form->controlPanel().isVisible());
    }
};

WAYTRACE_ENGINE_TEST_MAIN(TestMainWindowEngine)
#include "tst_main_window_engine.moc"
