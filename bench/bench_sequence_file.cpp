// Opening and saving a sequence file of 10,000 records, against reading and writing the same
// bytes with QFile alone: what the format's JSON costs over the disk.

#include "ratio_report.h"
#include "shop_records.h"

#include "files/sequence_file.h"

#include <QFile>
#include <QTemporaryDir>

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

BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QFileWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QFileRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runWithRatios(
        argc, argv,
        {{"save 10,000 records / QFile write of the bytes", "BM_SaveFile", "BM_QFileWrite", 30.0},
         {"open 10,000 records / QFile read of the bytes", "BM_OpenFile", "BM_QFileRead", 400.0}});
}
