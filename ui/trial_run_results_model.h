#pragma once

#include "trial_run_report.h"
#include "trial_run_texts.h"

#include <QAbstractTableModel>

namespace waytrace {

// The results window's table: one row a step of the last test run, with its number, label,
// method, address, status, time and verdict.
class TrialRunResultsModel : public QAbstractTableModel
{
public:
    enum Column
    {
        StepColumn,
        LabelColumn,
        MethodColumn,
        AddressColumn,
        StatusColumn,
        TimeColumn,
        VerdictColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    // The report is the panel's; it is read at every paint, so it must outlive this model.
    void show(const TrialRunReport* report);
    void stepChanged(int row);
    void allChanged();

    [[nodiscard]] const TrialRunReport::Step* step(int row) const;
    // The rows as lines of text with the cells between tabs, the headings first.
    [[nodiscard]] QString rowsText(const QList<int>& rows) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    [[nodiscard]] QString cellText(const TrialRunReport::Step& step, int column) const;

    const TrialRunReport* report_ = nullptr;
    TrialRunIcons icons_;
};

} // namespace waytrace
