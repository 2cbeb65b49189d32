#include "core/sequence_undo.h"
#include "fixture_server.h"
#include "modal_answer.h"
#include "output/sequence_document.h"
#include "ui/control_panel.h"
#include "ui/message_box.h"
#include "ui/text.h"
#include "ui/tooltip_table.h"
#include "ui/trial_run_results_model.h"
#include "ui/trial_run_results_window.h"
#include "ui/trial_run_step_details.h"
#include "ui/trial_run_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QTableView>
#include <QTextBrowser>

#include <QAbstractItemModel>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace waytrace;

using namespace std::string_literals;

namespace {

RecordRef record(const QString& url, std::u16string requiredKeywords)
{
    auto r = std::make_shared<UrlRecord>();
    r->urlAddress = url.toStdU16String();
    r->requiredKeywords = std::move(requiredKeywords);
    return r;
}

void clickButton(QMessageBox& box, TextId caption)
{
    for (auto* button : box.buttons())
        if (button->text() == loadText(caption))
            button->click();
}

} // namespace

// The panel's Test Run: results beside the addresses, details and stale fields in the tooltips,
// the records untouched, and a Stop that ends a run on a silent server.
class TestPanelTrialRun : public QObject
{
    Q_OBJECT

private slots:
    void resultsShowInTheList()
    {
        forceInterfaceLanguage(1033);
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        RecordedSequence sequence;
        sequence.append(record(server.url("a"), u"done"));
        auto login = record(server.url("b"), u"Welcome back");
        login->method = HttpMethod::Post;
        login->postBody = u"user=ann&authenticity_token=x1";
        login->bodyUnconfirmed = true;
        sequence.append(login);
        sequence.append(record(server.url("hang"), {}));
        const auto document = buildSequenceDocument(sequence);

        ControlPanel panel(sequence);
        panel.show();
        auto* list = panel.findChild<QListView*>("urlList");
        auto* button = panel.findChild<QPushButton*>("trialRunButton");
        auto* progress = panel.findChild<QLabel*>("trialRunProgressLabel");
        const QAbstractItemModel* model = list->model();
        const auto text = [&](int row, int role = Qt::DisplayRole) {
            return model->index(row, 0).data(role);
        };
        // Marked as a POST whose body only the page reported, flagged before any run, and the
        // flag names the field.
        QCOMPARE(text(1).toString(), "\u26A0 POST " + server.url("b") +
                                         QStringLiteral("   \u2691 authenticity_token (token)"));
        QVERIFY(text(1, Qt::ToolTipRole).toString().contains("not confirmed by the browser"));
        QVERIFY(text(1, Qt::ToolTipRole).toString().contains("authenticity_token"));
        // The entry's number, method and conditions, without selecting it, each value whole.
        const QString tip = text(1, Qt::ToolTipRole).toString();
        QVERIFY(tip.contains("<b>2. POST</b>"));
        QVERIFY(tip.contains("if the following keywords are not found"));
        QVERIFY(tip.contains("Welcome back"));
        QCOMPARE(text(0).toString(), server.url("a"));

        {
            // The run sends the POST step for real: asked first.
            ModalAnswer<QMessageBox> run([&](QMessageBox& box) {
                QVERIFY(box.text().contains("2. " + server.url("b")));
                QVERIFY(!box.text().contains(server.url("a")));
                clickButton(box, TextId::RunWithPosts);
            });
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(run.finished());
        }
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QTRY_VERIFY(text(1).toString().contains("keywords not found: Welcome back"));
        QCOMPARE(text(0).toString(), server.url("a") + "   passed");
        QVERIFY(!text(0, Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(text(0, Qt::ToolTipRole).toString().contains("Status 200"));
        // No page of the run offers the token: still flagged by its name, and the tip says so.
        QVERIFY(text(1).toString().contains(u'\u2691'));
        QVERIFY(text(1, Qt::ToolTipRole).toString().contains("no page of this run offers it"));
        QVERIFY(text(1, Qt::ToolTipRole).toString().contains("keywords not found: Welcome back"));
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->text(), QStringLiteral("Testing URL 3 of 3"));

        // The server never answers: Stop ends the run there.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("Test Run"));
        QCOMPARE(progress->text(),
                 QStringLiteral("1 passed, 1 would alert, 0 no answer, 1 stopped; the run was "
                                "stopped"));
        QCOMPARE(progress->toolTip(), progress->text()); // two lines may not hold it all
        QCOMPARE(panel.lastRun().size(), 2);             // what a HAR export of the run holds
        QCOMPARE(text(2).toString(), server.url("hang"));
        QCOMPARE(buildSequenceDocument(sequence), document);

        // The results window: every step with its verdict, by keyboard alone.
        TrialRunResultsWindow window;
        window.showReport(&panel.trialRunReport());
        window.runEnded(panel.trialRunSummary());
        auto* table = window.findChild<QTableView*>("resultsTable");
        const auto cell = [&](int row, int column) {
            return table->model()->index(row, column).data().toString();
        };
        QCOMPARE(table->model()->rowCount(), 3);
        QCOMPARE(cell(1, TrialRunResultsModel::MethodColumn), "POST");
        QCOMPARE(cell(0, TrialRunResultsModel::VerdictColumn), "passed");
        QCOMPARE(cell(1, TrialRunResultsModel::VerdictColumn), "would alert");
        QCOMPARE(cell(2, TrialRunResultsModel::VerdictColumn), "stopped");
        QVERIFY(window.findChild<QLabel*>("summaryLabel")->text().contains("stopped"));
        table->setFocus();
        QTest::keyClick(table, Qt::Key_Down);
        const QString details = window.findChild<QTextBrowser*>("detailsBrowser")->toPlainText();
        QVERIFY(details.contains("Welcome back"));
        QVERIFY(details.contains("fires"));
        QVERIFY(details.contains(loadText(TextId::AdviceWouldAlert)));
        QVERIFY(details.contains(loadText(TextId::AdviceStale)));
        QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        const QStringList copied = QApplication::clipboard()->text().split(u'\n');
        QCOMPARE(copied.value(0), "Step\tLabel\tMethod\tAddress\tStatus\tTime\tResult");
        QVERIFY(copied.value(1).startsWith("2\t\tPOST\t" + server.url("b") + "\t200\t"));
        QVERIFY(copied.value(2).endsWith("\tstopped"));
        const UrlRecord* chosen = nullptr;
        connect(&window, &TrialRunResultsWindow::stepChosen, this,
                [&](const UrlRecord* record) { chosen = record; });
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(chosen, sequence.at(2).get()); // the current row, after Shift+Down
        panel.selectRecord(chosen);
        QCOMPARE(panel.selectedPosition(), 2);

        // A deleted record takes its result with it; the others keep theirs.
        list->setCurrentIndex(model->index(0, 0));
        QTest::keyClick(list, Qt::Key_Delete);
        QVERIFY(text(0).toString().contains("keywords not found"));
        QVERIFY(!progress->isVisible()); // the hint is back
        forceInterfaceLanguage(std::nullopt);
    }

    // A step that fails says why: the status against its condition, how the page differs from
    // the one seen, and which sent values the run's pages offer otherwise; the run counts it.
    void reasonsAreSpelledOut()
    {
        forceInterfaceLanguage(1033);
        const auto step = record("http://h/save", {});
        step->responseCode = 299;
        TrialRunResult result;
        result.record = step;
        result.status = 500;
        result.fires.responseCondition = true;
        result.differences = {{PageDifference::Kind::Title, u"Saved", u"Error", 0},
                              {PageDifference::Kind::Text, u"Saved.", u"Try again.", 31}};
        result.staleFields = {
            {u"sectok", StaleField::Reason::LiveValue, StaleField::Kind::Token, u"a1", u"b2", 2},
            {u"csrf", StaleField::Reason::TokenName, StaleField::Kind::Token, u"c", {}, {}},
            {u"hash", StaleField::Reason::LiveValue, StaleField::Kind::ChangesPerVisit, u"d", u"e",
             1}}; // offered by the answers of steps 3 and 2
        QCOMPARE(resultSummary(result),
                 "response code 500 (Greater than 299), you saw \"Saved\", the replay got "
                 "\"Error\", the page's text differs from what you saw (31% of the phrases in "
                 "common; you saw \"Saved.\", the replay got \"Try again.\")");
        const QString warning = liveStaleWarning(result.staleFields);
        QVERIFY(warning.contains("token: sectok (recorded a1, now b2 on step 3)"));
        QVERIFY(warning.contains("csrf (token; no page of this run offers it)"));
        QVERIFY(warning.contains("changes per visit: hash (recorded d, now e on step 2)"));
        // The results window puts each difference's two sides in cells of their own.
        TrialRunReport::Step shown{1,     step,  {}, false, QStringLiteral("http://h/save"),
                                   false, result};
        const QString html = stepDetailsHtml(shown, verdictOf(result));
        QVERIFY(html.contains("<td valign=top>Saved</td><td valign=top>Error</td>"));
        QVERIFY(html.contains("<td valign=top>a1</td><td valign=top>b2</td><td valign=top>3</td>"));
        QVERIFY(html.contains(loadText(TextId::AdviceWouldAlert).toHtmlEscaped()));
        result.fires.responseCondition = false;
        QCOMPARE(verdictOf(result), TrialRunVerdict::Differs);
        TrialRunTally tally;
        tally.count(verdictOf(result));
        QCOMPARE(runSummary(tally), "0 passed, 0 would alert, 0 no answer, 1 differ");
        forceInterfaceLanguage(std::nullopt);
    }

    // Until the user lets a run send the POST steps, each run asks; without them, only the
    // others run, under their own numbers.
    void postStepsRunOnlyWhenAllowed()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        RecordedSequence sequence;
        auto post = record(server.url("b"), {});
        post->method = HttpMethod::Post;
        sequence.append(post);
        sequence.append(record(server.url("a"), {}));
        ControlPanel panel(sequence);
        const auto answered = [&](TextId button) {
            ModalAnswer<QMessageBox> answer(
                [button](QMessageBox& box) { clickButton(box, button); });
            panel.startTrialRun();
            return answer.finished();
        };
        QVERIFY(answered(TextId::RunWithoutPosts));
        QTRY_VERIFY(!panel.isTrialRunning());
        QCOMPARE(panel.lastRun().size(), 1);
        QCOMPARE(panel.lastRun()[0].position, 2);
        const auto& report = panel.trialRunReport();
        QCOMPARE(report.verdict(report.steps[0]), TrialRunVerdict::NotRun);
        QCOMPARE(report.verdict(report.steps[1]), TrialRunVerdict::Passed);
        QVERIFY(answered(TextId::Cancel));
        QVERIFY(!panel.isTrialRunning());
        QVERIFY(answered(TextId::RunWithPosts));
        QTRY_VERIFY(!panel.isTrialRunning());
        QCOMPARE(panel.lastRun().size(), 2);
        QVERIFY(!answered(TextId::RunWithPosts)); // allowed once, not asked again
        QVERIFY(panel.isTrialRunning());
    }

    // After a run, each step without keywords gets a phrase of its own page that its answer
    // held; Undo takes them back; the user is told how many.
    void checksAreSuggestedAfterARun()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        RecordedSequence sequence;
        for (const char* page : {"index.html", "page2.html"}) {
            QFile file(QStringLiteral(FIXTURES_DIR "/") + page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto step = record(server.url(page), {});
            step->seen = seenPageOf(200, {}, QString::fromUtf8(file.readAll()).toStdU16String());
            sequence.append(step);
        }
        SequenceUndo undo;
        ControlPanel panel(sequence, &undo);
        auto* suggest = panel.findChild<QAction*>("suggestChecksAction");
        QVERIFY(!suggest->isEnabled());
        panel.startTrialRun();
        QTRY_VERIFY(!panel.isTrialRunning());
        QVERIFY(suggest->isEnabled());
        QStringList told;
        const auto previous = setMessageBoxFunction(
            [&told](QWidget*, const QString&, const QString& text) { told << text; });
        suggest->trigger();
        setMessageBoxFunction(previous);
        QCOMPARE(sequence.at(0)->requiredKeywords, u"Start"s);
        QCOMPARE(sequence.at(1)->requiredKeywords, u"Second"s);
        QVERIFY(told.value(0).contains("2 steps"));
        QCOMPARE(undo.undo(sequence), std::optional<std::size_t>(0));
        QVERIFY(sequence.at(0)->requiredKeywords.empty());
    }

    // Laid out as a tooltip is (wrapping), a value stays whole beside a long warning, and the
    // warning wraps at a readable width even in a script without spaces.
    void tooltipsKeepValuesWhole()
    {
        const QString address = "http://127.0.0.1:8080/shop/checkout/confirm?order=123456&step=2";
        QLabel shown;
        shown.setWordWrap(true);
        shown.setText(TooltipTable()
                          .row("Final address", address)
                          .line("Status 200, 12 ms, 460 bytes")
                          .prose(QString(400, QChar(0x3042)))
                          .html());
        const auto advance = [&](const QString& text) {
            return shown.fontMetrics().horizontalAdvance(text);
        };
        QVERIFY(shown.sizeHint().width() > advance(address));
        QVERIFY(shown.sizeHint().width() > advance("Status 200, 12 ms, 460 bytes"));
        QVERIFY(shown.sizeHint().width() < 2 * TooltipTable::kProseWidth);
    }

    // A new sequence, or the close box deleting the panel, ends a run whose URL is still out.
    void newSequenceOrClosingEndsTheRun()
    {
        FixtureServer server(QStringLiteral(FIXTURES_DIR));
        QVERIFY(server.listen(QHostAddress::LocalHost));
        RecordedSequence sequence;
        sequence.append(record(server.url("hang"), {}));
        QPointer<ControlPanel> panel = new ControlPanel(sequence);
        panel->show();
        panel->startTrialRun();
        QTRY_COMPARE(server.requests().size(), 1);
        // A new sequence stops the run of the old one.
        sequence.clear();
        panel->reloadList();
        QVERIFY(!panel->isTrialRunning());
        sequence.append(record(server.url("hang"), {}));
        panel->startTrialRun();
        QTRY_COMPARE(server.requests().size(), 2);
        panel->close();
        QTRY_VERIFY(panel.isNull());
        QCOMPARE(sequence.count(), 1u);
    }
};

QTEST_MAIN(TestPanelTrialRun)
#include "tst_panel_trial_run.moc"
