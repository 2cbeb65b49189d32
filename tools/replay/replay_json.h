#pragma once

#include "core/url_sequence.h"

#include <QByteArray>
#include <QStringList>

namespace waytrace {

// {"cancelled": [...], "records": [{the twelve fields in declaration order}, ...]} as UTF-8.
// Written by hand because a JSON object of Qt sorts its keys.
QByteArray replayJson(const QStringList& cancelled, const UrlSequence& sequence);

} // namespace waytrace
