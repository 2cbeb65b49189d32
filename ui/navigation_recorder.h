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
// credentials as its basic-authentication fields. Returns that record, or null when no record
// has the address (the login was for a picture or another part of a page, not a step).
RecordRef storeCredentials(UrlSequence& sequence, const QString& url, const QString& userName,
                           const QString& password);

} // namespace waytrace
