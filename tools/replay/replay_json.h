#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>
#include <QStringList>

namespace waytrace {

// {"cancelled": [...], "records": [{the twelve fields in declaration order}, ...]} as UTF-8,
// each record as a sequence file writes it. Written by hand because a JSON object of Qt sorts
// its keys.
QByteArray replayJson(const QStringList& cancelled, const RecordedSequence& sequence);

} // namespace waytrace
