#pragma once

#include "core/recorded_sequence.h"

#include <functional>
#include <string>
#include <string_view>

namespace waytrace {

// The sequence document the server parses: one line per piece, each ended by CR, no LF and no
// indentation. Every value is written with "%" doubled (the server form-decodes the document
// once before parsing it; recorded post data is doubled already) and escaped for XML.
std::u16string buildSequenceDocument(const RecordedSequence& sequence);

// The same document handed over a piece at a time, in order, for callers that turn it into
// something else (the upload's UTF-8 body) without holding it whole.
using DocumentPieces = std::function<void(std::u16string_view)>;
void writeSequenceDocument(const RecordedSequence& sequence, const DocumentPieces& piece);

// A rough size of the document in UTF-16 units, so that a buffer grows once or twice at most.
std::size_t estimatedDocumentSize(const RecordedSequence& sequence);

} // namespace waytrace
