#pragma once

#include "core/url_sequence.h"

#include <QByteArray>
#include <QString>

namespace waytrace {

// The before-navigate handling of the main and the popup browser: runs the recording rule and
// appends to the one sequence. Returns whether the navigation is to be cancelled.
bool recordNavigation(UrlSequence& sequence, const QString& helpUrl, const QString& url,
                      const QString& headers, const QByteArray& postData);

} // namespace waytrace
