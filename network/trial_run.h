#pragma once

#include "common/accepted_certificates.h"
#include "core/recorded_sequence.h"
#include "core/seen_page.h"
#include "core/trial_run_verdict.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QNetworkAccessManager;
class QTimer;
class QNetworkReply;
class QSslError;

namespace waytrace {

// Why a URL got no answer.
enum class TrialRunFailure
{
    None,
    Refused, // nothing listens there
    HostNotFound,
    Silent,     // no progress for the silence limit, nothing of an answer before
    Stalled,    // the answer began, then nothing more came for the silence limit (`size`)
    Secure,     // the secure connection could not be made (certificate, protocol)
    BrokenOff,  // the server closed the connection before the answer was whole
    Redirects,  // too many redirects, or one from https to http
    TooSlow,    // the answer was still coming when the overall limit ran out
    Unreadable, // the network layer could not read it to its end (see the detail)
    BadHeaders, // a recorded header line would break the request apart
    Other,      // see the result's detail
};

// What went over the wire for one URL, as a HAR viewer shows it: the last request of its
// redirects and the answer to that, the answer's body only up to kBodyStart bytes.
struct TrialRunExchange
{
    using Headers = QList<QPair<QByteArray, QByteArray>>;
    static constexpr qsizetype kBodyStart = 64 * 1024; // kept per URL of a run: stays small

    QDateTime started;
    QByteArray method;
    QString url;
    Headers requestHeaders; // as set here; the network layer adds its own
    QByteArray requestBody;
    QString statusText;
    Headers responseHeaders;
    QByteArray bodyStart;
    // For a hop that redirected: its status, where it sent the request on, how long it took.
    int status = 0;
    QString redirectUrl;
    qint64 milliseconds = 0;
};

// What one URL of a trial run gave.
struct TrialRunResult
{
    int position = 0;                // 1-based, in the sequence as it was when the run started
    std::weak_ptr<UrlRecord> record; // the record it was run from
    int status = 0;                  // the final status code; 0 when no status line came
    QString finalUrl;                // after redirects
    qint64 milliseconds = 0;
    qint64 size = 0;          // body bytes received
    ConditionVerdict fires;   // only when a whole answer came
    QString requiredKeywords; // the phrases searched for, as the run had them
    QString forbiddenKeywords;
    // Fields it sent whose values the run's earlier answers offered otherwise.
    std::vector<StaleField> staleFields;
    // How its answer differs from the page the user saw when recording it.
    std::vector<PageDifference> differences;
    TrialRunFailure failure = TrialRunFailure::None;
    QString failureDetail;     // the network's own words, in English; for BadHeaders, the line
    TrialRunExchange exchange; // the last request, whose answer was read
    std::vector<TrialRunExchange> redirects;              // each request before it, as it went
    std::optional<CertificateProblem> certificateProblem; // for Secure: why, if a certificate

    [[nodiscard]] bool passed() const;
};

// What a test run says of one step, in one word.
enum class TrialRunVerdict
{
    Passed,
    WouldAlert, // a condition fired: the monitor would alert
    Differs,    // answered, nothing fired, but not the page the user saw
    NoAnswer,
    NotRun,  // a POST the user chose not to send, or not reached yet
    Stopped, // the run was stopped before it
};

// The verdict of a step that has a result: passed, would alert, differs or no answer.
TrialRunVerdict verdictOf(const TrialRunResult& result);

// Why a step got no answer, in English, as the tools and reports write it: "connection
// refused", "answer unreadable: <the network's words>"; empty for an answered step.
QString failureWords(const TrialRunResult& result);
// How much of a stalled answer came, in whole kilobytes, 1 at least once a byte came.
qint64 stalledKilobytes(const TrialRunResult& result);

// The steps a run would send as POSTs, each as "position. address": what a run changes on
// the servers, for the user to be told before it does.
QStringList postSteps(const RecordedSequence& sequence);

// The start of a result's answer (TrialRunExchange::kBodyStart) as text, decoded with the
// charset it declares: what its keywords were searched in.
QString answerText(const TrialRunResult& result);

// Replays the recorded sequence as the monitor will, with Qt Network: each URL in order with its
// method, recorded body, header text and basic-authentication credentials, following redirects,
// in a cookie jar of its own that starts empty. It never changes a record and never uploads.
// Each answer is compared with the page the user saw, and the values its page offers are kept to
// tell which recorded values later steps send stale.
// The records are copied when the run starts, so edits made while it runs do not affect it.
class TrialRun : public QObject
{
    Q_OBJECT

public:
    explicit TrialRun(QObject* parent = nullptr);
    ~TrialRun() override;

    // The certificates the user let through in the browser: accepted here too, each for its
    // host. None by default, so every doubted certificate fails its step.
    void acceptCertificates(std::shared_ptr<const AcceptedCertificates> accepted);

    // Starts a run of the whole sequence, ending one still under way; without `posts`, its POST
    // steps are left out (they would change something on the server).
    void start(const RecordedSequence& sequence, bool posts = true);
    // Ends the run at once; the URL being run gets no result.
    void cancel();
    [[nodiscard]] bool isRunning() const { return running_; }

    // How long an answer may go without any progress before the URL counts as unanswered.
    void setSilenceLimit(std::chrono::milliseconds silence) { silence_ = silence; }
    // How long one URL may take in all, its redirects included, before it counts as unanswered.
    void setAnswerLimit(std::chrono::milliseconds limit) { answerLimit_ = limit; }

signals:
    // `record` only names the record the URL was copied from; it may be gone by now.
    void stepStarted(int position, int count, const waytrace::UrlRecord* record);
    void stepFinished(const waytrace::TrialRunResult& result);
    // After the last result, or when cancelled.
    void finished(bool cancelled);

private:
    struct Step;
    struct Answer;

    void runNext();
    void send(const QUrl& url, bool post);
    void read();
    // A piece of the answer's body, its encoding undone.
    void take(const QNetworkReply& reply, const QByteArray& piece);
    void replied();
    void certificateDoubted(const QList<QSslError>& errors);
    // The answer against the page the user saw; the values its page offers, for later steps.
    void compareWithSeen(TrialRunResult& result, const Step& step, const QByteArray& contentType);
    void finishStep(const TrialRunResult& result);

    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<Answer> answer_; // the URL being run
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool running_ = false;
    // Counts starts and cancels, so that a handler starting or ending a run is noticed.
    unsigned run_ = 0;
    QElapsedTimer clock_;
    std::chrono::milliseconds silence_{30000};
    std::chrono::milliseconds answerLimit_{120000};
    QTimer* answerTimer_ = nullptr;
    LiveValues live_;
    std::shared_ptr<const AcceptedCertificates> acceptedCertificates_;
};

} // namespace waytrace
