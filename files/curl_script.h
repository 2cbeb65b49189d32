#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>

namespace waytrace {

// The sequence as a POSIX shell script of curl commands, so the same flow runs wherever a shell
// does: one command a step, in order, with its method, its body byte for byte, its header lines
// and its basic-authentication user, following redirects, with a cookie jar carried from step
// to step, as the test run replays it. Each command prints the final status and address. Without
// passwords, curl asks for each one on the terminal. A step whose header lines cannot be sent is
// left out with a note, as the test run refuses it.
QByteArray curlScript(const RecordedSequence& sequence, bool withPasswords);

} // namespace waytrace
