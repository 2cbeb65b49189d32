// Opening and saving a sequence file of 10,000 records, against reading and writing the same
// bytes with QFile alone: what the format's JSON costs over the disk. And what opening a file of
// about 100 MB costs in memory, as a multiple of its size.

#include "ratio_report.h"
#include "shop_records.h"

#include "files/sequence_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>

namespace {

using namespace waytrace;

constexpr std::size_t kRecords = 10000;

const RecordedSequence& sequence()
{
    return bench::shopRecords(kRecords);
}

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString path(const char* name)
{
    return folder().filePath(QString::fromLatin1(name));
}

const QByteArray& fileBytes()
{
    static const QByteArray bytes = sequenceFileBytes(sequence(), true);
    return bytes;
}

void BM_SaveFile(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            writeSequenceFile(path("saved.json"), sequenceFileBytes(sequence(), true)));
}

void BM_QFileWrite(benchmark::State& state)
{
    for (auto _ : state) {
        QFile file(path("plain.json"));
        file.open(QIODevice::WriteOnly);
        benchmark::DoNotOptimize(file.write(fileBytes()));
    }
}

void BM_OpenFile(benchmark::State& state)
{
    writeSequenceFile(path("open.json"), fileBytes());
    for (auto _ : state) {
        QFile file(path("open.json"));
        file.open(QIODevice::ReadOnly);
        auto read = readSequenceFile(file.readAll());
        benchmark::DoNotOptimize(read);
    }
}

void BM_QFileRead(benchmark::State& state)
{
    writeSequenceFile(path("read.json"), fileBytes());
    for (auto _ : state) {
        QFile file(path("read.json"));
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
}

// The process's resident memory now, or at its peak since resetPeak(), in bytes.
double residentBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const auto& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toDouble() *
                   1024;
    return 0;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Opening a file of about 100 MB (250,000 records, passwords included) as the window does: the
// bytes read whole, then the records. The counter is the growth of the process at its peak, as
// a multiple of the file's size.
void BM_OpenLargeFileMemory(benchmark::State& state)
{
    constexpr std::size_t kLargeRecords = 250000;
    {
        const QByteArray bytes = sequenceFileBytes(bench::shopRecords(kLargeRecords), true);
        writeSequenceFile(path("large.json"), bytes);
    }
    const double size = double(QFileInfo(path("large.json")).size());
    for (auto _ : state) {
        const double before = residentBytes("VmRSS:");
        resetPeak();
        {
            QFile file(path("large.json"));
            file.open(QIODevice::ReadOnly);
            auto read = readSequenceFile(file.readAll());
            benchmark::DoNotOptimize(read);
        }
        state.counters["file_MB"] = size / 1e6;
        state.counters["peak_per_file_byte"] = (residentBytes("VmHWM:") - before) / size;
    }
}

BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QFileWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QFileRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLargeFileMemory)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runWithRatios(
        argc, argv,
        {{"save 10,000 records / QFile write of the bytes", "BM_SaveFile", "BM_QFileWrite", 30.0},
         {"open 10,000 records / QFile read of the bytes", "BM_OpenFile", "BM_QFileRead", 400.0}});
}
