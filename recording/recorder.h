#pragma once

#include "core/recorded_sequence.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <map>
#include <memory>

namespace waytrace {

class Browser;
class NavigationRequest;

// The recording of one run: the recorded sequence and the navigations the recording rule
// cancelled. The program's main and popup browser and the tools' browsers all record through
// one of these, so every browser follows the same rule into the same sequence.
class Recorder : public QObject
{
    Q_OBJECT

public:
    // `helpUrl` is the online help page, never recorded.
    explicit Recorder(QString helpUrl, QObject* parent = nullptr);

    // Records every navigation `browser` announces, cancelling those the rule cancels, keeps the
    // logins its user enters for the sequence, and what each step's page showed. `newWindow`:
    // the browser shows the windows the site opens.
    void listen(Browser& browser, bool newWindow = false);

    // Runs the recording rule on one navigation; returns whether it is to be cancelled.
    bool record(const NavigationRequest& request);

    // The step whose page `browser` shows now, if it records one.
    [[nodiscard]] RecordRef shownStep(const Browser& browser) const;

    [[nodiscard]] RecordedSequence& sequence() { return sequence_; }
    [[nodiscard]] const RecordedSequence& sequence() const { return sequence_; }
    // Addresses of the navigations cancelled, oldest first.
    [[nodiscard]] const QStringList& cancelled() const { return cancelled_; }

signals:
    // A navigation became a step of the sequence.
    void stepRecorded(const waytrace::RecordRef& record);
    // A record took the credentials of a login.
    void credentialsStored(const waytrace::RecordRef& record);
    // A step recorded with the body its page reported now has the body the browser sent.
    void bodyConfirmed(const waytrace::RecordRef& record);

private:
    QString helpUrl_;
    RecordedSequence sequence_;
    QStringList cancelled_;
    // Per browser, the newest top-page step recorded since its top page last loaded: the page
    // it loads next is that step's (frames are recorded after their page). Then, in the order the
    // loads ended, the steps whose pages are being described (the description comes later).
    struct PageWatch
    {
        std::weak_ptr<UrlRecord> awaiting;
        std::deque<std::weak_ptr<UrlRecord>> describing;
        std::weak_ptr<UrlRecord> shown;
    };
    std::map<const Browser*, PageWatch> pages_;
    // Steps recorded with a body their page reported, by request, until the browser tells the
    // body it sent.
    std::map<quint64, std::weak_ptr<UrlRecord>> unconfirmed_;
    // The names of the password inputs the pages sent forms with.
    std::vector<std::u16string> passwordFields_;
};

// The recording rule on one navigation as a browser announces it: appends to `sequence` and
// returns whether the navigation is to be cancelled.
bool recordNavigation(RecordedSequence& sequence, const QString& helpUrl,
                      const NavigationRequest& request);

// The user logged in to `url` for the sequence: the newest record of that address gets the
// credentials as its basic-authentication fields, or else the newest record on the same server
// (the login came after a server redirect). Returns that record, or null when no record is on
// that server.
RecordRef storeCredentials(RecordedSequence& sequence, const QString& url, const QString& userName,
                           const QString& password);

} // namespace waytrace
