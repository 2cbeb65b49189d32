#pragma once

#include "core/recorded_sequence.h"
#include "sequence_file.h"

#include <QByteArray>
#include <QString>

#include <variant>
#include <vector>

namespace waytrace {

// A HAR file that a browser's developer tools saved, as the sequence recording the same pages
// would have given: the documents of the top page and of its frames, in order, without the
// follow-ups of server redirects (the monitor follows those itself), bodies as bytes with their
// Content-Type header line. What was left out is counted, and steps whose bodies the file does
// not hold exactly are named: Chromium writes a body decoded as UTF-8 (each invalid byte a
// U+FFFD) and leaves out a multipart body with a file altogether.
struct HarImport
{
    std::vector<RecordRef> records;
    int notPages = 0;               // images, scripts, styles, fetches
    int redirectFollowUps = 0;      // the requests a server's redirect led to
    int notWeb = 0;                 // neither http:// nor https://, or the help page
    int broken = 0;                 // entries without a method or an address
    std::vector<int> inexactBodies; // steps (1-based) whose bodies are not what was sent
};

// NotJson says where the bytes break; NotSequence that they are JSON but not a HAR.
// The entries are read one at a time, told to `progress` as the file's are.
std::variant<HarImport, SequenceFileFault>
importHar(const QByteArray& bytes, const QString& helpUrl, const ReadProgress& progress = {});

} // namespace waytrace
