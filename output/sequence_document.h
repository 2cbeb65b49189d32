#pragma once

#include "core/recorded_sequence.h"

#include <string>

namespace waytrace {

// The sequence document the server parses: one line per piece, each ended by CR, no LF and no
// indentation. Every value is written with "%" doubled (the server form-decodes the document
// once before parsing it; recorded post data is doubled already) and escaped for XML.
std::u16string buildSequenceDocument(const RecordedSequence& sequence);

} // namespace waytrace
