#include "trial_run_results_window.h"

#include "text.h"
#include "trial_run_results_model.h"
#include "trial_run_step_details.h"
#include "trial_run_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace waytrace {

TrialRunResultsWindow::TrialRunResultsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), summaryLabel_(new QLabel(this)),
      resultsTable_(new QTableView(this)), detailsBrowser_(new QTextBrowser(this)),
      model_(new TrialRunResultsModel(this))
{
    setObjectName(QStringLiteral("trialRunResultsWindow"));
    summaryLabel_->setObjectName(QStringLiteral("summaryLabel"));
    resultsTable_->setObjectName(QStringLiteral("resultsTable"));
    detailsBrowser_->setObjectName(QStringLiteral("detailsBrowser"));
    setWindowTitle(loadText(TextId::TestRunResults));
    summaryLabel_->setText(loadText(TextId::NoTestRunYet));
    summaryLabel_->setWordWrap(true);
    summaryLabel_->setTextFormat(Qt::PlainText);

    resultsTable_->setModel(model_);
    resultsTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    resultsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The address is cut at its end, never the verdict; Tab leaves the table for the details.
    resultsTable_->setTextElideMode(Qt::ElideRight);
    resultsTable_->setWordWrap(false);
    resultsTable_->setTabKeyNavigation(false);
    resultsTable_->verticalHeader()->hide();
    resultsTable_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    resultsTable_->horizontalHeader()->setStretchLastSection(false);
    resultsTable_->horizontalHeader()->setSectionResizeMode(TrialRunResultsModel::AddressColumn,
                                                            QHeaderView::Stretch);
    detailsBrowser_->setOpenLinks(false);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(resultsTable_);
    splitter->addWidget(detailsBrowser_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel_);
    layout->addWidget(splitter, 1);
    resize(960, 620);

    // The table's own Ctrl+C copies one cell: the rows are wanted.
    resultsTable_->installEventFilter(this);
    connect(resultsTable_, &QTableView::activated, this, [this](const QModelIndex& index) {
        if (const auto* step = model_->step(index.row()))
            if (const auto record = step->record.lock())
                emit stepChosen(record.get());
    });
    connect(resultsTable_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TrialRunResultsWindow::showDetails);
}

bool TrialRunResultsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == resultsTable_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TrialRunResultsWindow::showReport(const TrialRunReport* report)
{
    report_ = report;
    model_->show(report);
    summaryLabel_->setText(report && !report->steps.empty() ? QString()
                                                            : loadText(TextId::NoTestRunYet));
    detailsBrowser_->clear();
    resultsTable_->resizeColumnsToContents();
    if (model_->rowCount() > 0)
        resultsTable_->setCurrentIndex(model_->index(0, 0));
}

void TrialRunResultsWindow::stepChanged(int row)
{
    model_->stepChanged(row);
    if (resultsTable_->currentIndex().row() == row)
        showDetails();
}

void TrialRunResultsWindow::runEnded(const QString& summary)
{
    model_->allChanged();
    summaryLabel_->setText(summary);
    // Columns fit what the run wrote (Qt measures a sample of the rows, so this stays cheap).
    resultsTable_->resizeColumnsToContents();
    resultsTable_->horizontalHeader()->setSectionResizeMode(TrialRunResultsModel::AddressColumn,
                                                            QHeaderView::Stretch);
    showDetails();
}

void TrialRunResultsWindow::showDetails()
{
    const auto* step = model_->step(resultsTable_->currentIndex().row());
    if (!step || !report_) {
        detailsBrowser_->clear();
        return;
    }
    detailsBrowser_->setHtml(stepDetailsHtml(*step, report_->verdict(*step)));
}

void TrialRunResultsWindow::copySelected()
{
    QList<int> rows;
    for (const auto& index : resultsTable_->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(model_->rowsText(rows));
}

} // namespace waytrace
