// Opening and saving a sequence file of 10,000 records, against reading and writing the same
// bytes with QFile alone: what the format's JSON costs over the disk. And what opening a file of
// about 100 MB costs in memory, as a multiple of its size.

#include "ratio_report.h"
#include "shop_records.h"

#include "common/file_writer.h"
#include "files/har_import.h"
#include "files/sequence_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>
#include <malloc.h>

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
            writeFile(path("saved.json"), sequenceFileBytes(sequence(), true)));
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
    writeFile(path("open.json"), fileBytes());
    for (auto _ : state) {
        QFile file(path("open.json"));
        file.open(QIODevice::ReadOnly);
        auto read = readSequenceFile(file.readAll());
        benchmark::DoNotOptimize(read);
    }
}

void BM_QFileRead(benchmark::State& state)
{
    writeFile(path("read.json"), fileBytes());
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

// Reads the file at `name` as the window does, the bytes whole, then the records; the counters
// are its size and the growth of the process at its peak, as a multiple of that size.
template <typename Read> void measurePeak(benchmark::State& state, const char* name, Read read)
{
    const double size = double(QFileInfo(path(name)).size());
    for (auto _ : state) {
        // What earlier rows freed goes back to the system, or this row would reuse it unseen.
        malloc_trim(0);
        const double before = residentBytes("VmRSS:");
        resetPeak();
        {
            QFile file(path(name));
            file.open(QIODevice::ReadOnly);
            auto contents = read(file.readAll());
            benchmark::DoNotOptimize(contents);
        }
        state.counters["file_MB"] = size / 1e6;
        state.counters["peak_per_file_byte"] = (residentBytes("VmHWM:") - before) / size;
    }
}

// A file of about 100 MB: 250,000 records of a shop visit, passwords included.
void BM_OpenLargeFileMemory(benchmark::State& state)
{
    writeFile(path("large.json"), sequenceFileBytes(bench::shopRecords(250000), true));
    measurePeak(state, "large.json",
                [](const QByteArray& bytes) { return readSequenceFile(bytes); });
}

// Records with nothing but an address, as many as the argument: the cost grows with the records
// alone, so the peak per byte stays where it is from 100,000 to 1,000,000.
void BM_OpenTinyRecordsMemory(benchmark::State& state)
{
    {
        RecordedSequence tiny;
        for (std::int64_t i = 0; i < state.range(0); ++i) {
            auto record = std::make_shared<UrlRecord>();
            record->urlAddress = u"http://a/" + QString::number(i).toStdU16String();
            tiny.append(record);
        }
        writeFile(path("tiny.json"), sequenceFileBytes(tiny, true));
    }
    measurePeak(state, "tiny.json",
                [](const QByteArray& bytes) { return readSequenceFile(bytes); });
}

// A HAR of about 100 MB as a browser saves one: each page with its HTML and four sub-resources.
void BM_ImportLargeHarMemory(benchmark::State& state)
{
    {
        const QByteArray html =
            "<html><head><title>Catalogue</title></head><body>" +
            QByteArray("<p>Products in stock, prices and offers.</p>").repeated(180) +
            "</body></html>";
        const QByteArray headers =
            R"([{"name":"Accept","value":"text/html"},{"name":"User-Agent","value":"Mozilla/5.0"},)"
            R"({"name":"Accept-Language","value":"en"},{"name":"Cookie","value":"s=1"}])";
        QByteArray har = R"({"log":{"version":"1.2","entries":[)";
        for (int page = 0; har.size() < 100'000'000; ++page) {
            const QByteArray n = QByteArray::number(page);
            if (page > 0)
                har += ',';
            har +=
                R"({"_resourceType":"document","request":{"method":"GET","url":"http://shop.example.com/list?page=)" +
                n + R"(","headers":)" + headers +
                R"(},"response":{"status":200,"headers":[],"content":{"mimeType":"text/html","text":")" +
                html + R"("}}})";
            for (const char* kind : {"image", "script", "stylesheet", "image"})
                har +=
                    R"(,{"_resourceType":")" + QByteArray(kind) +
                    R"(","request":{"method":"GET","url":"http://shop.example.com/static/)" + n +
                    R"(.bin","headers":)" + headers +
                    R"(},"response":{"status":200,"headers":[],"content":{"mimeType":"image/png"}}})";
        }
        har += "]}}";
        writeFile(path("large.har"), har);
    }
    measurePeak(state, "large.har", [](const QByteArray& bytes) {
        return importHar(bytes, QStringLiteral("http://help.test/"));
    });
}

BENCHMARK(BM_SaveFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QFileWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QFileRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLargeFileMemory)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_OpenTinyRecordsMemory)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_ImportLargeHarMemory)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runWithRatios(
        argc, argv,
        {{"save 10,000 records / QFile write of the bytes", "BM_SaveFile", "BM_QFileWrite", 30.0},
         {"open 10,000 records / QFile read of the bytes", "BM_OpenFile", "BM_QFileRead", 400.0}},
        // About three times the file: its bytes, and the records in UTF-16 beside them.
        {{"open 100 MB: peak memory / file size", "BM_OpenLargeFileMemory/iterations:1",
          "peak_per_file_byte", 3.1},
         {"open 1,000,000 tiny records: peak / file size",
          "BM_OpenTinyRecordsMemory/1000000/iterations:1", "peak_per_file_byte", 3.0},
         {"import a 100 MB HAR: peak memory / file size", "BM_ImportLargeHarMemory/iterations:1",
          "peak_per_file_byte", 3.0}});
}
