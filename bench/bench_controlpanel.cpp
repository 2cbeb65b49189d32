// The control panel's refill and display against a plain walk of the sequence that copies the
// addresses, at 1,000, 10,000 and 100,000 records. The walk is linear, so a flat ratio across
// the three lengths shows the refill is linear too.

#include "ratio_report.h"

#include "ui/control_panel.h"

#include <QApplication>
#include <QListView>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

waytrace::RecordedSequence& sequenceOf(std::int64_t count)
{
    static std::map<std::int64_t, std::unique_ptr<waytrace::RecordedSequence>> sequences;
    auto& sequence = sequences[count];
    if (!sequence) {
        sequence = std::make_unique<waytrace::RecordedSequence>();
        for (std::int64_t n = 0; n < count; ++n) {
            auto record = std::make_shared<waytrace::UrlRecord>();
            record->urlAddress = u"http://intranet.example.com/shop/catalog/item.do?id=" +
                                 QString::number(n).toStdU16String() + u"&view=full";
            record->displayName = u"Item page";
            sequence->append(std::move(record));
        }
    }
    return *sequence;
}

void BM_Walk(benchmark::State& state)
{
    const auto& sequence = sequenceOf(state.range(0));
    for (auto _ : state) {
        std::vector<std::u16string> addresses;
        addresses.reserve(sequence.count());
        for (const auto& record : sequence)
            addresses.push_back(record->urlAddress);
        benchmark::DoNotOptimize(addresses.data());
    }
}

// On screen, with its first layout and paint done, so that only the refills are measured.
void showSettled(waytrace::ControlPanel& panel)
{
    panel.show();
    QApplication::processEvents();
}

// What reloadList() costs: the refill, the display of the last record, and the list's layout
// of its entries.
void BM_RefillDisplay(benchmark::State& state)
{
    waytrace::ControlPanel panel(sequenceOf(state.range(0)));
    showSettled(panel);
    const auto* list = panel.findChild<QListView*>(QStringLiteral("urlList"));
    for (auto _ : state) {
        panel.reloadList();
        // The refill scrolls to the last entry, so the list is laid out by now.
        benchmark::DoNotOptimize(list->visualRect(list->currentIndex()));
    }
}

// The same up to the screen: the event loop lays out and paints what changed.
void BM_RefillDisplayPainted(benchmark::State& state)
{
    waytrace::ControlPanel panel(sequenceOf(state.range(0)));
    showSettled(panel);
    for (auto _ : state) {
        panel.reloadList();
        QApplication::processEvents();
    }
}

BENCHMARK(BM_Walk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefillDisplay)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefillDisplayPainted)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::runWithRatios(
        argc, argv,
        {
            {"refill+display / walk, 1,000 records", "BM_RefillDisplay/1000", "BM_Walk/1000", 5},
            {"refill+display / walk, 10,000 records", "BM_RefillDisplay/10000", "BM_Walk/10000", 5},
            {"refill+display / walk, 100,000 records", "BM_RefillDisplay/100000", "BM_Walk/100000",
             5},
            {"painted / walk, 100,000 records", "BM_RefillDisplayPainted/100000", "BM_Walk/100000",
             5},
        });
}
