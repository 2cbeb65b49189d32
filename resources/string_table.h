#pragma once

#include <QByteArray>

namespace waytrace {

// The string table as compiled in, UTF-8 JSON: {"<language id>": {"<string id>": "text"}}.
// "{websiteHost}" and "{supportAddress}" stand for the build settings of those names; the
// lookup puts them in, so the table itself never changes with a deployment.
QByteArray compiledStringTable();

} // namespace waytrace
