#include "url_list_model.h"

#include "text.h"
#include "tooltip_table.h"

namespace waytrace {

void UrlListModel::assign(const RecordedSequence& sequence)
{
    beginResetModel();
    entries_.clear();
    entries_.reserve(static_cast<qsizetype>(sequence.count()));
    std::map<const UrlRecord*, TrialRunResult> kept;
    for (const RecordRef& record : sequence) {
        entries_.append(
            {record ? QString::fromStdU16String(record->urlAddress) : QString(), record, {}});
        if (const auto found = results_.find(record.get()); found != results_.end())
            kept.insert(results_.extract(found));
    }
    results_ = std::move(kept);
    const auto point = sequence.insertionPoint();
    insertionRow_ = point ? static_cast<int>(*point) - 1 : -1;
    endResetModel();
}

void UrlListModel::setRunning(const UrlRecord* record)
{
    const UrlRecord* before = std::exchange(running_, record);
    changed(before);
    changed(record);
}

void UrlListModel::setResult(const TrialRunResult& result)
{
    const RecordRef record = result.record.lock();
    if (!record)
        return;
    results_.insert_or_assign(record.get(), result);
    changed(record.get());
}

void UrlListModel::clearResults()
{
    results_.clear();
    if (!entries_.isEmpty())
        emit dataChanged(index(0), index(rowCount() - 1));
}

const TrialRunResult* UrlListModel::resultOf(const Entry& entry) const
{
    const RecordRef record = entry.record.lock();
    const auto found = results_.find(record.get());
    // A result whose record died is not that of a newer record at the same address.
    if (!record || found == results_.end() || found->second.record.lock() != record)
        return nullptr;
    return &found->second;
}

int UrlListModel::pageStepOf(int row) const
{
    // Frames are recorded after their page, in the same window.
    const RecordRef frame = entries_.value(row).record.lock();
    for (int before = row - 1; frame && before >= 0; --before) {
        const RecordRef step = entries_[before].record.lock();
        if (step && !step->fromFrame && step->fromNewWindow == frame->fromNewWindow)
            return before + 1;
    }
    return 0;
}

void UrlListModel::changed(const UrlRecord* record)
{
    if (record == nullptr)
        return;
    for (qsizetype row = 0; row < entries_.size(); ++row)
        if (entries_[row].record.lock().get() == record)
            emit dataChanged(index(static_cast<int>(row)), index(static_cast<int>(row)));
}

namespace {

// What an entry stands for, as the panel's captions name it: its number and method, its label,
// and the conditions and login set for it.
void addEntrySummary(TooltipTable& tip, int number, const UrlRecord& record)
{
    const auto text = [](const std::u16string& value) { return QString::fromStdU16String(value); };
    tip.heading(QStringLiteral("%1. %2").arg(number).arg(
        record.method == HttpMethod::Post ? QStringLiteral("POST") : QStringLiteral("GET")));
    const auto add = [&](TextId caption, const std::u16string& value) {
        if (!value.empty())
            tip.row(loadText(caption), text(value));
    };
    add(TextId::UrlLabel, record.displayName);
    add(TextId::KeywordsNotFound, record.requiredKeywords);
    add(TextId::KeywordsFound, record.forbiddenKeywords);
    if (!conditionWords(record.responseCondition).empty())
        tip.row(loadText(TextId::ResponseCodeIs), conditionText(record));
    add(TextId::UserName, record.userName);
}

} // namespace

QVariant UrlListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= entries_.size())
        return {};
    const Entry& entry = entries_[index.row()];
    const RecordRef record = entry.record.lock();
    const TrialRunResult* result = resultOf(entry);
    if (role == Qt::DecorationRole) {
        if (record && record.get() == running_)
            return icons_.running;
        return result ? icons_.of(*result) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != kTailRole)
        return {};

    // Before a run, the fields that look per-visit; after one, those its pages offered anew.
    if (!entry.staleFields) {
        entry.staleFields.emplace();
        if (record)
            *entry.staleFields = fieldNames(staleFields(*record));
    }
    const QStringList stale = result ? fieldNames(result->staleFields) : *entry.staleFields;
    if (role != Qt::ToolTipRole) {
        QString tail;
        if (result)
            tail += QStringLiteral("   ") + resultSummary(*result);
        if (!stale.isEmpty())
            tail += QStringLiteral("   ") + staleFlag(stale);
        if (index.row() == insertionRow_)
            tail += QStringLiteral("   \u2935 ") + loadText(TextId::NewStepsGoHere);
        if (role == kTailRole)
            return tail;
        QString text = entry.address;
        if (record && record->method == HttpMethod::Post)
            text.prepend(QStringLiteral("POST "));
        // Signs where the list never cuts; their words are in the tooltip.
        if (record && record->fromFrame)
            text.prepend(QStringLiteral("\u22A1 "));
        if (record && record->fromNewWindow)
            text.prepend(QStringLiteral("\u2197 "));
        if (record && record->bodyUnconfirmed)
            text.prepend(QStringLiteral("\u26A0 "));
        return text + tail;
    }
    TooltipTable tip;
    if (record)
        addEntrySummary(tip, index.row() + 1, *record);
    if (record && record->fromNewWindow)
        tip.prose(QStringLiteral("\u2197 ") + loadText(TextId::StepFromNewWindow));
    if (record && record->fromFrame) {
        const int page = pageStepOf(index.row());
        tip.prose(QStringLiteral("\u22A1 ") + (page > 0 ? loadText(TextId::StepFromFrame).arg(page)
                                                        : loadText(TextId::StepFromUnknownFrame)));
    }
    if (record && record->bodyUnconfirmed)
        tip.prose(QStringLiteral("\u26A0 ") + loadText(TextId::BodyUnconfirmed));
    if (record && !record->leftOut.headerLines.empty()) {
        QStringList lines;
        for (const auto& name : record->leftOut.headerLines)
            lines.append(QString::fromStdU16String(name));
        tip.prose(loadText(TextId::HeaderLinesLeftOut).arg(lines.join(QStringLiteral(", "))));
    }
    if (result)
        tip.line(resultDetails(*result));
    // Why an answered step did not pass, whole: the list's entry may cut it short.
    if (result && result->failure == TrialRunFailure::None && !result->passed())
        tip.prose(resultSummary(*result));
    if (result && !result->staleFields.empty())
        tip.prose(liveStaleWarning(result->staleFields));
    else if (!result && !stale.isEmpty())
        tip.prose(staleWarning(stale));
    if (tip.isEmpty())
        return {};
    return tip.html();
}

} // namespace waytrace
