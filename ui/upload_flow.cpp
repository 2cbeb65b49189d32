#include "upload_flow.h"

#include "message_box.h"
#include "text.h"

#include "common/error_trap.h"
#include "network/upload_channel.h"
#include "output/upload_outcome.h"
#include "waytrace/build_settings.h"

#include <utility>

namespace waytrace {

namespace {

QByteArray bytesOf(const ByteArray& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

} // namespace

UploadFlow::UploadFlow(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts))
{
    connect(&parts_.channel, &UploadChannel::landed, this, &UploadFlow::landed);
}

void UploadFlow::start()
{
    if (underWay_)
        return;
    setUnderWay(true);
    bool sent = false;
    runTrapped([&] { sent = post(); });
    // A failure before anything was sent must not leave saving switched off for good.
    if (!sent)
        setUnderWay(false);
}

bool UploadFlow::post()
{
    // The steps as they are when the user asks to save: pages go on recording behind the dialog.
    const RecordedSequence steps = parts_.sequence;
    const auto fields = parts_.askFields();
    if (!fields || steps.count() == 0)
        return false;
    port_ = fields->port;
    const auto request = composeUploadRequest(
        steps, *fields,
        {settings::kVersionMajor, settings::kVersionMinor, settings::kVersionRevision});
    parts_.channel.post(QString::fromStdU16String(request.address), bytesOf(request.body),
                        QString::fromStdU16String(request.headers));
    // Still under way unless the channel answered at once.
    return underWay_;
}

void UploadFlow::landed(const QString& address)
{
    setUnderWay(false);
    runTrapped([&] {
        const auto landing = address.toStdU16String();
        const auto outcome = classifyUploadOutcome(landing, landing, port_);
        if (!outcome.message)
            return;
        showMessage(parts_.messageParent, parts_.messageTitle(), loadText(*outcome.message));
        if (outcome.clearSequence)
            emit sequenceSaved();
    });
}

void UploadFlow::setUnderWay(bool underWay)
{
    underWay_ = underWay;
    emit underWayChanged(underWay);
}

} // namespace waytrace
