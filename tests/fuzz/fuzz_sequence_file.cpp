// The sequence-file reader on any bytes: it answers with records or a fault, never more, and
// every sequence it accepts is written back as a file that reads as the same records.

#include "files/sequence_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto read = waytrace::readSequenceFile(bytes);
    const auto* contents = std::get_if<waytrace::SequenceFileContents>(&read);
    if (!contents) {
        const auto& fault = std::get<waytrace::SequenceFileFault>(read);
        if (fault.kind == waytrace::SequenceFileFault::Kind::BadField && fault.record < 1)
            std::abort();
        return 0;
    }
    waytrace::RecordedSequence sequence;
    sequence.insert(0, contents->records);
    const auto written = waytrace::sequenceFileBytes(sequence, true);
    const auto again = waytrace::readSequenceFile(written);
    const auto* reread = std::get_if<waytrace::SequenceFileContents>(&again);
    if (!reread || reread->records.size() != contents->records.size())
        std::abort();
    waytrace::RecordedSequence copy;
    copy.insert(0, reread->records);
    if (waytrace::sequenceFileBytes(copy, true) != written)
        std::abort();
    for (std::size_t i = 0; i < reread->records.size(); ++i) {
        const auto& a = *reread->records[i];
        const auto& b = *contents->records[i];
        if (a.urlAddress != b.urlAddress || a.postBody != b.postBody || a.password != b.password ||
            a.responseCode != b.responseCode || a.method != b.method)
            std::abort();
    }
    return 0;
}
