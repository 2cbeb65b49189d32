#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>

namespace waytrace {

// The sequence as a locustfile that Locust runs unchanged, for load on one machine or on
// Locust's master and workers: each user sends every step once, in order, as the monitor
// replays it (method, address, recorded header lines, the body's bytes as recorded), in one
// session that carries cookies and follows redirects, checks each answer for the step's
// keywords and response-code condition, marks a request failed where the monitor would alert,
// and then stops; the run ends when every user has. Without passwords, each basic-authentication
// password is read from an environment variable that the file names, and the run refuses to
// start without it; a step whose header lines cannot be sent is left out with a note, as the
// test run refuses it.
QByteArray locustFile(const RecordedSequence& sequence, bool withPasswords);

} // namespace waytrace
