#pragma once

#include "core/url_sequence.h"

#include <QByteArray>
#include <QString>

namespace waytrace {

// The before-navigate handling of the main and the popup browser: runs the recording rule and
// appends to the one sequence. Returns whether the navigation is to be cancelled.
bool recordNavigation(UrlSequence& sequence, const QString& helpUrl, const QString& url,
                      const QString& headers, const QByteArray& postData);

// The user logged in to `url` for the sequence: the newest record of that address gets the
// credentials as its basic-authentication fields, or else the newest record on the same server
// (the login came after a server redirect). Returns that record, or null when no record is on
// that server.
RecordRef storeCredentials(UrlSequence& sequence, const QString& url, const QString& userName,
                           const QString& password);

} // namespace waytrace
