#pragma once

#include "core/recorded_sequence.h"
#include "network/trial_run.h"
#include "trial_run_texts.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace waytrace {

// The entries of the control panel's list: copies of the addresses as they were at the last
// refill, each followed by what the last trial run said of its record, and flagged when its
// record posts values that likely change per visit. One reset per refill keeps a refill of any
// length linear.
class UrlListModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    // The end of an entry's text that follows its address: the verdict and flags, which the list
    // keeps in view.
    static constexpr int kTailRole = Qt::UserRole + 1;

    // Refills from the sequence; results of records no longer in it are dropped.
    void assign(const RecordedSequence& sequence);

    // Marks the record being run now (none: nullptr) and shows a result for its record.
    void setRunning(const UrlRecord* record);
    void setResult(const TrialRunResult& result);
    void clearResults();

    [[nodiscard]] RecordRef record(int row) const
    {
        return row >= 0 && row < entries_.size() ? entries_[row].record.lock() : RecordRef();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
    }

private:
    struct Entry
    {
        QString address;
        std::weak_ptr<UrlRecord> record; // the list does not keep a deleted record alive
        mutable std::optional<QStringList> staleFields; // worked out when first shown
    };

    [[nodiscard]] const TrialRunResult* resultOf(const Entry& entry) const;
    void changed(const UrlRecord* record);
    // The 1-based number of the page step a frame's step at `row` belongs to, or 0.
    [[nodiscard]] int pageStepOf(int row) const;

    QList<Entry> entries_;
    int insertionRow_ = -1; // the entry new steps go after, while recording into the middle
    std::map<const UrlRecord*, TrialRunResult> results_;
    const UrlRecord* running_ = nullptr;
    TrialRunIcons icons_;
};

} // namespace waytrace
