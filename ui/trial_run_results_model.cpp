#include "trial_run_results_model.h"

#include "text.h"

namespace waytrace {

void TrialRunResultsModel::show(const TrialRunReport* report)
{
    beginResetModel();
    report_ = report;
    endResetModel();
}

void TrialRunResultsModel::stepChanged(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void TrialRunResultsModel::allChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

const TrialRunReport::Step* TrialRunResultsModel::step(int row) const
{
    if (!report_ || row < 0 || std::size_t(row) >= report_->steps.size())
        return nullptr;
    return &report_->steps[std::size_t(row)];
}

int TrialRunResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !report_ ? 0 : int(report_->steps.size());
}

int TrialRunResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrialRunResultsModel::cellText(const TrialRunReport::Step& step, int column) const
{
    const auto& result = step.result;
    switch (column) {
    case StepColumn:
        return QString::number(step.position);
    case LabelColumn:
        return step.label;
    case MethodColumn:
        return step.post ? QStringLiteral("POST") : QStringLiteral("GET");
    case AddressColumn:
        return step.address;
    case StatusColumn:
        return result && result->status > 0 ? QString::number(result->status) : QString();
    case TimeColumn:
        return result ? loadText(TextId::Milliseconds).arg(result->milliseconds) : QString();
    case VerdictColumn:
        if (const auto verdict = report_->verdict(step))
            return verdictText(*verdict);
        return {};
    default:
        return {};
    }
}

QVariant TrialRunResultsModel::data(const QModelIndex& index, int role) const
{
    const auto* step = index.isValid() ? this->step(index.row()) : nullptr;
    if (!step)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(*step, index.column());
    case Qt::ToolTipRole:
        // The address whole; the table cuts it at its end.
        return index.column() == AddressColumn ? QVariant(step->address) : QVariant();
    case Qt::DecorationRole:
        if (index.column() == VerdictColumn)
            if (const auto verdict = report_->verdict(*step))
                return icons_.of(*verdict);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == StepColumn || index.column() == StatusColumn ||
            index.column() == TimeColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TrialRunResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr TextId kHeadings[] = {
        TextId::ColumnStep,   TextId::ColumnLabel, TextId::ColumnMethod, TextId::ColumnAddress,
        TextId::ColumnStatus, TextId::ColumnTime,  TextId::ColumnVerdict};
    return section >= 0 && section < ColumnCount ? loadText(kHeadings[section]) : QString();
}

QString TrialRunResultsModel::rowsText(const QList<int>& rows) const
{
    QStringList lines;
    QStringList cells;
    for (int column = 0; column < ColumnCount; ++column)
        cells << headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    lines << cells.join(u'\t');
    for (const int row : rows) {
        const auto* step = this->step(row);
        if (!step)
            continue;
        cells.clear();
        for (int column = 0; column < ColumnCount; ++column)
            cells << cellText(*step, column);
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

} // namespace waytrace
