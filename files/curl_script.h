#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>

#include <variant>

namespace waytrace {

// Why no script was written: step `step` (1-based) has a basic-authentication user name with a
// colon, which curl, like the scheme itself, would read as the end of the name.
struct CurlScriptRefusal
{
    int step = 0;
};

// The sequence as a POSIX shell script of curl commands, so the same flow runs wherever a shell
// does: one command a step, in order, with its method, its body byte for byte, its header lines
// and its basic-authentication user, following redirects, with a cookie jar carried from step
// to step, as the test run replays it. Each command prints the final status and address; the
// script stops with curl's exit status at the first step curl cannot send, and curl sends only
// http and https. Bodies and header lines go to curl through files, addresses and users as its
// configuration on its input: no value is read as an option, none shows in the process list, and
// none is too long for an argument; only an address or header line over curl's own line limit
// (about 100 KiB) stops the script. Without passwords, curl asks
// for each one on the terminal. A step whose header lines cannot be sent is left out with a
// note, as the test run refuses it.
std::variant<QByteArray, CurlScriptRefusal> curlScript(const RecordedSequence& sequence,
                                                       bool withPasswords);

} // namespace waytrace
