#pragma once

#include "form_body.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace waytrace {

// One report of the capture script that runs in every frame of the engine's pages. The script
// writes its reports to the console behind a per-run secret; anything else on the console is the
// page's own.
struct CaptureReport
{
    enum class Kind
    {
        Form,      // a form is being submitted: `url` is its action, `body` what it sends
        Load,      // a frame's document at `url` has loaded
        Document,  // the top frame's new document was created
        Navigate,  // a frame's document navigates to `url`
        Passwords, // a form is building what it sends: `names` of its password inputs
        Unknown,   // from the script, but of a kind this program does not know
    };

    Kind kind = Kind::Unknown;
    QString url;    // as the script wrote it
    QString origin; // of the frame's document, for a form
    FormBody body;
    QStringList names;
    bool announced = false; // a form's submission that its submit event told
    bool rebuilt = false;   // entries the engine rebuilt where the navigation landed
    QString kindName;       // as the script named it, for the log
};

// The report a console message carries, or none when the message does not start with `secret`.
std::optional<CaptureReport> readCaptureReport(const QString& message, const QString& secret);

} // namespace waytrace
