// The save pipeline (sequence document, form body, UTF-8) against a memcpy of as many bytes and
// against the same output built the generic way with Qt's writer and encoders.

#include "ratio_report.h"
#include "shop_records.h"

#include "core/recorded_sequence.h"
#include "output/sequence_document.h"
#include "output/upload_request.h"

#include <QString>
#include <QUrl>
#include <QXmlStreamWriter>

#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace waytrace;

const UploadFields kFields{u"Shop check", u"5", u"localhost", u"9090", u"admin", u"admin"};
constexpr ProgramVersion kVersion{6, 0, 3};

const RecordedSequence& sequenceOf(std::size_t records)
{
    return bench::shopRecords(records);
}

} // namespace

namespace {

std::size_t outputBytes(std::size_t records)
{
    return composeUploadRequest(sequenceOf(records), kFields, kVersion).body.size();
}

void BM_SavePipeline(benchmark::State& state)
{
    const auto& sequence = sequenceOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto request = composeUploadRequest(sequence, kFields, kVersion);
        benchmark::DoNotOptimize(request.body.data());
    }
}

void BM_Memcpy(benchmark::State& state)
{
    const auto size = outputBytes(static_cast<std::size_t>(state.range(0)));
    const std::string source(size, 'x');
    for (auto _ : state) {
        auto copy = std::make_unique_for_overwrite<char[]>(size);
        std::memcpy(copy.get(), source.data(), size);
        benchmark::DoNotOptimize(copy.get());
    }
}

QString q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

void BM_GenericQt(benchmark::State& state)
{
    const auto& sequence = sequenceOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        QString document;
        QXmlStreamWriter xml(&document);
        xml.writeStartDocument(QStringLiteral("1.0"), false);
        xml.writeComment(QStringLiteral("This file contains URL Sequence recorded by user"));
        xml.writeStartElement(QStringLiteral("URLSequence"));
        for (const auto& r : sequence) {
            xml.writeStartElement(QStringLiteral("Url"));
            xml.writeAttribute(QStringLiteral("address"), q(r->urlAddress));
            xml.writeAttribute(QStringLiteral("method"), r->method == HttpMethod::Post
                                                             ? QStringLiteral("P")
                                                             : QStringLiteral("G"));
            xml.writeAttribute(QStringLiteral("displayname"), q(r->displayName));
            if (!r->postBody.empty())
                xml.writeTextElement(QStringLiteral("PostData"), q(r->postBody));
            if (!r->headers.empty())
                xml.writeTextElement(QStringLiteral("Header"), q(r->headers));
            xml.writeStartElement(QStringLiteral("AlertCondition"));
            if (!r->requiredKeywords.empty())
                xml.writeTextElement(QStringLiteral("MatchContent"), q(r->requiredKeywords));
            if (!r->forbiddenKeywords.empty())
                xml.writeTextElement(QStringLiteral("UnavailabilityString"),
                                     q(r->forbiddenKeywords));
            xml.writeStartElement(QStringLiteral("HTTPResponseCode"));
            xml.writeAttribute(QStringLiteral("condition"),
                               q(std::u16string(conditionWords(r->responseCondition))));
            xml.writeAttribute(QStringLiteral("code"), QString::number(r->responseCode));
            xml.writeEndElement();
            xml.writeEndElement();
            if (!r->userName.empty()) {
                xml.writeStartElement(QStringLiteral("AuthInfo"));
                xml.writeAttribute(QStringLiteral("username"), q(r->userName));
                xml.writeAttribute(QStringLiteral("password"), q(r->password));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndDocument();

        QByteArray body = "version=6.0.3&username=" + QUrl::toPercentEncoding(q(kFields.user)) +
                          "&password=" + QUrl::toPercentEncoding(q(kFields.password)) +
                          "&transactionname=" + QUrl::toPercentEncoding(q(kFields.name)) +
                          "&pollinterval=" + QUrl::toPercentEncoding(q(kFields.interval)) +
                          "&seqinfo=" + QUrl::toPercentEncoding(document);
        benchmark::DoNotOptimize(body.data());
    }
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_SavePipeline)->Apply(sizes);
BENCHMARK(BM_Memcpy)->Apply(sizes);
BENCHMARK(BM_GenericQt)->Apply(sizes);

} // namespace

int main(int argc, char** argv)
{
    // The program builds a save's body once, on pages fresh from the kernel. Repeated thousands
    // of times here, the smaller rows would get warm heap pages back under glibc's sliding
    // mapping threshold (the largest row, above its 32 MB ceiling, never does), and their cost
    // would not be the program's. A fixed threshold gives every row's buffers fresh pages.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    std::vector<bench::Ratio> ratios;
    for (const char* n : {"1000", "10000", "100000"}) {
        const std::string arg = n;
        ratios.push_back({"save / generic Qt, " + arg + " records", "BM_SavePipeline/" + arg,
                          "BM_GenericQt/" + arg, 0.5});
        ratios.push_back({"save / memcpy, " + arg + " records", "BM_SavePipeline/" + arg,
                          "BM_Memcpy/" + arg, 8.0});
    }
    ratios.push_back({"save 100,000 / save 10,000 records", "BM_SavePipeline/100000",
                      "BM_SavePipeline/10000", 11.0});
    return bench::runWithRatios(argc, argv, ratios);
}
