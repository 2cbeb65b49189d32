// waytrace-record: opens the real browser, records while someone (or a test) browses, and writes
// the events the main and the popup browser raised as an event stream for waytrace-replay.
// `waytrace-record --help` lists its options (parse() below).

#include "record_session.h"

#include "common/file_writer.h"
#include "common/tool_arguments.h"
#include "files/sequence_file.h"
#include "navigation/navigation_queue.h"
#include "network/suggested_checks.h"
#include "streams/event_stream.h"
#include "tools/replay/replay_json.h"
#include "tools/replay/replay_trial_run.h"
#include "waytrace/build_settings.h"
#include "webengine/disk_caches.h"
#include "webengine/page_prompts.h"
#include "webengine/webengine_browser.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <QWebEnginePage>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>
#include <variant>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Frames and late events of the last load still arrive shortly after it.
constexpr int kSettleMs = 500;

struct Options
{
    QString helpUrl = QString::fromStdU16String(waytrace::settings::kHelpUrl);
    QString out;
    QString sequence;
    QString file;
    bool passwords = false;
    bool suggestChecks = false;
    QString script; // for the first page
    QList<std::pair<QRegularExpression, QString>> pageScripts;
    int quitAfterLoads = 0;
    int timeoutSeconds = 0;
    QString address;
};

// "PATTERN=JS" when what comes before the first "=" reads as an address pattern (a "*", "/" or
// ":" in it and nothing a script would write), else a script for the first page. In a pattern
// "*" stands for any text, "/" included, and "?" for one character.
void addScript(Options& options, const QString& argument)
{
    static const QRegularExpression pattern(
        QStringLiteral("^([^\\s()'\";=]*[*/:][^\\s()'\";=]*)=(.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto match = pattern.match(argument);
    if (match.hasMatch())
        options.pageScripts.append({QRegularExpression(QRegularExpression::anchoredPattern(
                                        QRegularExpression::escape(match.captured(1))
                                            .replace(QLatin1String("\\*"), QLatin1String(".*"))
                                            .replace(QLatin1String("\\?"), QLatin1String(".")))),
                                    match.captured(2)});
    else
        options.script = argument;
}

// The options, or the status the program ends with at once (help, version, a bad argument).
std::variant<Options, int> parse(const QStringList& arguments)
{
    waytrace::tools::ProgramOptions program(
        QStringLiteral("waytrace-record"), QString::fromLatin1(waytrace::settings::kVersion),
        QStringLiteral(
            "Opens the browser at ADDRESS and records while someone (or a script) browses; the\n"
            "events of the main and the popup browser go out as an event stream for\n"
            "waytrace-replay, line by line as they come. Ends when the window is closed, after\n"
            "--quit-after-loads finished top-page loads, or after --timeout."));
    const auto helpUrl = program.value("help-url", "The online help page's address.", "URL");
    const auto out =
        program.value("out", "Writes the stream to STREAM instead of stdout.", "STREAM");
    const auto sequence = program.value(
        "sequence", "Also writes the sequence recorded live, in waytrace-replay's JSON.", "JSON");
    const auto file = program.value(
        "file", "Also writes it as a sequence file, as File > Save to File does.", "FILE");
    const auto passwords = program.flag("passwords", "Writes the passwords into FILE too.");
    const auto script = program.value(
        "script",
        "JS runs in the main page once its first load has finished; PATTERN=JS runs on "
        "every load of a page (main or new window) whose address matches the wildcard "
        "PATTERN (\"*\" any text, \"?\" one character). Given any number of times.",
        "[PATTERN=]JS");
    const auto suggestChecks = program.flag(
        "suggest-checks", "Test-runs what was recorded (its POST steps too, for real) and "
                          "gives each step without keywords a phrase of its page, as the "
                          "panel's Suggest checks does, before the sequence is written; "
                          "the stream gets an Edit event for each.");
    const auto quitAfterLoads = program.value(
        "quit-after-loads", "Ends after N finished top-page loads of either browser.", "N");
    const auto timeout = program.value("timeout", "Ends after SECONDS.", "SECONDS");
    program.parser().addPositionalArgument(
        QStringLiteral("address"), QStringLiteral("The first page."), QStringLiteral("ADDRESS"));

    if (const auto status = program.read(arguments))
        return *status;
    const auto& parser = program.parser();
    Options options;
    if (parser.isSet(helpUrl))
        options.helpUrl = parser.value(helpUrl);
    options.out = parser.value(out);
    options.sequence = parser.value(sequence);
    options.file = parser.value(file);
    options.passwords = parser.isSet(passwords);
    options.suggestChecks = parser.isSet(suggestChecks);
    for (const auto& argument : parser.values(script))
        addScript(options, argument);
    for (const auto& [option, number] : {std::pair{&quitAfterLoads, &options.quitAfterLoads},
                                         {&timeout, &options.timeoutSeconds}}) {
        bool isNumber = true;
        if (parser.isSet(*option))
            *number = parser.value(*option).toInt(&isNumber);
        if (!isNumber)
            return program.refuse(
                QStringLiteral("--%1 takes a whole number").arg(option->names().constFirst()));
    }
    if (parser.positionalArguments().size() != 1)
        return program.refuse(QStringLiteral("one ADDRESS to start at"));
    options.address = parser.positionalArguments().constFirst();
    return options;
}

// Ends the program when the main window is closed.
class CloseWatcher : public QObject
{
public:
    explicit CloseWatcher(std::function<void()> finish) : finish_(std::move(finish)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            finish_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> finish_;
};

// Test-runs the sequence (accepting the certificates the browsers did), sets the checks its
// answers bear out, and returns them with the positions of their steps.
std::vector<std::pair<qint64, std::u16string>>
suggestChecks(waytrace::RecordedSequence& sequence,
              std::shared_ptr<const waytrace::AcceptedCertificates> accepted)
{
    waytrace::tellPostSteps(sequence, "waytrace-record");
    waytrace::TrialRun trialRun;
    trialRun.acceptCertificates(std::move(accepted));
    QList<waytrace::TrialRunResult> results;
    QObject::connect(&trialRun, &waytrace::TrialRun::stepFinished,
                     [&results](const waytrace::TrialRunResult& result) { results << result; });
    QEventLoop loop;
    QObject::connect(&trialRun, &waytrace::TrialRun::finished, &loop, &QEventLoop::quit);
    trialRun.start(sequence);
    if (trialRun.isRunning())
        loop.exec();
    std::vector<std::pair<qint64, std::u16string>> set;
    for (auto& [record, phrase] : waytrace::suggestedChecks(sequence, results)) {
        const auto at = std::find(sequence.begin(), sequence.end(), record);
        record->requiredKeywords = phrase;
        set.emplace_back(at - sequence.begin() + 1, std::move(phrase));
    }
    return set;
}

// Ctrl+C or a kill ends the recording as closing the window does, so that what was recorded is
// written: the handler only wakes the event loop through a pipe.
int quitPipe[2] = {-1, -1};

void quitOnSignals(const std::function<void()>& quit, QObject* owner)
{
    if (pipe2(quitPipe, O_CLOEXEC) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = [](int) {
        const char wake = 1;
        [[maybe_unused]] const auto written = ::write(quitPipe[1], &wake, 1);
    };
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
    auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, quit] {
        notifier->setEnabled(false);
        quit();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    const auto parsed = parse(waytrace::tools::commandLine(argc, argv));
    if (const auto* status = std::get_if<int>(&parsed))
        return *status;
    const auto* options = &std::get<Options>(parsed);

    waytrace::keepCachesOffDisk();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    // The stream goes to standard output as it happens, or into the file whole at the end.
    const auto cannotWrite = [](const QString& path, const QString& why) {
        std::fprintf(stderr, "waytrace-record: %s: %s\n",
                     qPrintable(path.isEmpty() ? QStringLiteral("standard output") : path),
                     qPrintable(why));
        return waytrace::tools::kUsageExit;
    };
    waytrace::FileWriter outFile(options->out);
    if (const auto error = options->out.isEmpty() ? std::nullopt : outFile.open())
        return cannotWrite(options->out, *error);
    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    bool outWritten = true;
    const auto writeOut = [&](const QByteArray& line) {
        outWritten =
            outWritten && (options->out.isEmpty()
                               ? standardOutput.write(line) == line.size() && standardOutput.flush()
                               : outFile.write(line));
    };

    // The session first: the browsers, and with them their pages, go before its profile.
    const auto session = waytrace::WebEngineSession::create();
    // Nobody answers here: every login, certificate problem, download and page dialog counts
    // as cancelled, so nothing waits on a person and the timeout always ends the run.
    session->pagePrompts().setPrompts(std::make_shared<waytrace::CancellingPrompts>());
    waytrace::WebEngineBrowser main(session);
    waytrace::WebEngineBrowser popup(session);
    waytrace::RecordSession record(main, popup, options->helpUrl);

    QObject::connect(&record, &waytrace::RecordSession::eventRaised,
                     [&writeOut](const waytrace::StreamEvent& event) {
                         writeOut(waytrace::writeStreamEvent(event) + '\n');
                     });
    QObject::connect(&record, &waytrace::RecordSession::popupOpened,
                     [&popup] { popup.widget()->show(); });
    QObject::connect(&record, &waytrace::RecordSession::popupClosed,
                     [&popup] { popup.widget()->hide(); });

    // Nothing announced is left out: a POST may still wait for its body, or for the engine's
    // word correcting it.
    const auto finish = [&session, &app] {
        session->queue().whenAllRaised([&session, &app] {
            session->queue().whenWordsSettled(
                [&app] { QTimer::singleShot(0, &app, &QCoreApplication::quit); });
        });
    };
    int loads = 0;
    const auto loaded = [&](QWebEnginePage* page) {
        ++loads;
        if (loads == 1 && page == main.page() && !options->script.isEmpty())
            page->runJavaScript(options->script);
        const QString address = page->url().toString(QUrl::FullyEncoded);
        for (const auto& [pattern, script] : options->pageScripts)
            if (pattern.match(address).hasMatch())
                page->runJavaScript(script);
        // What the pages request after the last load counted is not recorded.
        if (options->quitAfterLoads > 0 && loads == options->quitAfterLoads)
            session->queue().whenAllRaised([&] {
                record.stopRecording();
                session->queue().whenWordsSettled(
                    [&app] { QTimer::singleShot(kSettleMs, &app, &QCoreApplication::quit); });
            });
    };
    QObject::connect(main.page(), &QWebEnginePage::loadFinished, &app,
                     [&] { loaded(main.page()); });
    QObject::connect(popup.page(), &QWebEnginePage::loadFinished, &app,
                     [&] { loaded(popup.page()); });
    if (options->timeoutSeconds > 0)
        QTimer::singleShot(options->timeoutSeconds * 1000, &app, finish);

    CloseWatcher closeWatcher(finish);
    quitOnSignals(finish, &app);
    main.widget()->installEventFilter(&closeWatcher);
    main.widget()->setWindowTitle(QStringLiteral("waytrace-record"));
    main.widget()->resize(1024, 768);
    main.widget()->show();
    main.navigate(options->address);

    QCoreApplication::exec();

    if (options->suggestChecks)
        for (const auto& [position, phrase] :
             suggestChecks(record.sequence(), session->acceptedCertificates())) {
            waytrace::StreamEvent edit;
            edit.kind = waytrace::StreamEvent::Kind::Edit;
            edit.position = position;
            edit.field = QStringLiteral("matchcontent");
            edit.value = QString::fromStdU16String(phrase);
            writeOut(waytrace::writeStreamEvent(edit) + '\n');
        }
    if (options->out.isEmpty() && !outWritten)
        return cannotWrite({}, standardOutput.errorString());
    if (const auto error = options->out.isEmpty() ? std::nullopt : outFile.commit())
        return cannotWrite(options->out, *error);
    if (!options->sequence.isEmpty())
        if (const auto error = waytrace::writeFile(
                options->sequence, waytrace::replayJson(record.cancelled(), record.sequence())))
            return cannotWrite(options->sequence, *error);
    if (!options->file.isEmpty())
        if (const auto error = waytrace::writeFile(
                options->file, waytrace::sequenceFileBytes(record.sequence(), options->passwords),
                waytrace::FileAccess::OwnerOnly))
            return cannotWrite(options->file, *error);
    return 0;
}
