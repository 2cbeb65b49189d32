#pragma once

// An upload channel that sends nothing: it keeps what it was asked to post, and lands where the
// test says.

#include "network/upload_channel.h"

#include <QList>

class ScriptedUploadChannel : public waytrace::UploadChannel
{
public:
    struct Request
    {
        QString url;
        QByteArray postData;
        QString headers;
    };

    using UploadChannel::UploadChannel;

    void post(const QString& url, const QByteArray& body, const QString& headers) override
    {
        requests_.append({url, body, headers});
    }

    void land(const QString& address) { emit landed(address); }

    [[nodiscard]] const QList<Request>& requests() const { return requests_; }

private:
    QList<Request> requests_;
};
