#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include <utility>

namespace waytrace {

// The entries of `urls`: copies of the addresses as they were at the last refill. One reset
// per refill keeps a refill of any length linear.
class UrlListModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void assign(QList<QString> entries)
    {
        beginResetModel();
        entries_ = std::move(entries);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= entries_.size())
            return {};
        return entries_[index.row()];
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
    }

private:
    QList<QString> entries_;
};

} // namespace waytrace
