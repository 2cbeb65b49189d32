#pragma once

#include "output/upload_request.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace waytrace {

class RecordedSequence;
class UploadChannel;

// Saving the sequence into the server, from the question to the answer: builds the document,
// asks for the upload's values, composes and posts the request through the upload channel,
// classifies where the upload landed and tells the user. One upload at a time.
class UploadFlow : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        const RecordedSequence& sequence;
        // Sends the request and says where the upload landed.
        UploadChannel& channel;
        // Asks the user; nothing when the user cancelled.
        std::function<std::optional<UploadFields>()> askFields;
        // Parent and title of the outcome's message box.
        QWidget* messageParent;
        std::function<QString()> messageTitle;
    };

    explicit UploadFlow(Parts parts, QObject* parent = nullptr);

    // Starts an upload; does nothing while one is under way.
    void start();
    [[nodiscard]] bool underWay() const { return underWay_; }

signals:
    void underWayChanged(bool underWay);
    // The server confirmed the save: the recording starts anew.
    void sequenceSaved();

private:
    // Returns whether the request went out.
    bool post();
    void landed(const QString& address);
    void setUnderWay(bool underWay);

    Parts parts_;
    // Of the upload under way: the outcome depends on it.
    std::u16string port_;
    bool underWay_ = false;
};

} // namespace waytrace
