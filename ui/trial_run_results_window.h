#pragma once

#include "trial_run_report.h"

#include <QWidget>

class QLabel;
class QTableView;
class QTextBrowser;

namespace waytrace {

class TrialRunResultsModel;

// The last test run, step by step: a table of the steps with their verdicts and, below it, all
// the run knows of the selected step. Works from the keyboard alone: arrows move, Enter shows
// the step in the panel, Ctrl+C copies the selected rows as text.
class TrialRunResultsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TrialRunResultsWindow(QWidget* parent = nullptr);

    // The report is the panel's and must outlive this window's use of it.
    void showReport(const TrialRunReport* report);
    void stepChanged(int row);
    // The run ended: `summary` says how it went.
    void runEnded(const QString& summary);
    // Copies the selected rows to the clipboard.
    void copySelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Enter or a double click on a step: the record it was run from, to be shown in the panel.
    void stepChosen(const waytrace::UrlRecord* record);

private:
    void showDetails();

    QLabel* summaryLabel_;
    QTableView* resultsTable_;
    QTextBrowser* detailsBrowser_;
    TrialRunResultsModel* model_;
    const TrialRunReport* report_ = nullptr;
};

} // namespace waytrace
