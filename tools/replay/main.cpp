// waytrace-replay: plays an event stream (or reads a sequence file or a HAR file) through the
// program's own code and prints the result. `waytrace-replay --help` lists its forms and options
// (parse() below).

#include "replay_json.h"
#include "replay_session.h"
#include "replay_trial_run.h"
#include "replay_upload.h"

#include "common/file_writer.h"
#include "common/tool_arguments.h"
#include "core/secrets.h"
#include "files/curl_script.h"
#include "files/har_import.h"
#include "files/locust_file.h"
#include "files/sequence_file.h"
#include "output/sequence_document.h"
#include "output/upload_outcome.h"
#include "output/upload_request.h"
#include "output/utf8.h"
#include "waytrace/build_settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace {

constexpr int kErrorExit = waytrace::tools::kUsageExit;

enum class Mode
{
    Sequence,
    Xml,
    Request,
    Outcome,
    Upload,
    TrialRun,
};

struct Options
{
    Mode mode = Mode::Sequence;
    QString helpUrl = QString::fromStdU16String(waytrace::settings::kHelpUrl);
    QMap<QString, QString> request; // --name, --interval, ... without the dashes
    QStringList positional;
    bool har = false;       // the input is a HAR file
    QString file;           // a sequence file to write
    QString curl;           // a curl script to write
    QString locust;         // a Locust file to write
    QString junit;          // with --test-run: the JUnit report to write
    QString runHar;         // with --test-run: the run's HAR to write
    bool passwords = false; // into them
};

const QStringList kRequestOptions = {"name", "interval", "host", "port", "user", "password"};

// The options, or the status the program ends with at once (help, version, a bad argument).
std::variant<Options, int> parse(const QStringList& arguments)
{
    waytrace::tools::ProgramOptions program(
        QStringLiteral("waytrace-replay"), QString::fromLatin1(waytrace::settings::kVersion),
        QStringLiteral(
            "Plays STREAM through Waytrace's own code and prints the sequence as JSON, or what\n"
            "the option asks for. STREAM is an event stream or a sequence file as File > Save\n"
            "to File writes it, or with --har a HAR file that a browser saved, imported as\n"
            "File > Import HAR does (what was left out goes to stderr); every form takes it.\n"
            "\n"
            "  waytrace-replay [--xml] STREAM\n"
            "  waytrace-replay --request|--upload --name N --interval I --host H --port P\n"
            "                  --user U --password W STREAM\n"
            "  waytrace-replay --outcome LANDING EVENT_ADDRESS PORT\n"
            "  waytrace-replay --test-run [--junit OUT] [--run-har OUT] STREAM\n"
            "  waytrace-replay --file OUT|--curl OUT|--locust OUT [--passwords] STREAM\n"
            "\n"
            "Exit status: 0 done (--upload: the server created the sequence; --test-run: every\n"
            "step passed), 1 not so (--test-run: a step would alert, differs or got no\n"
            "answer), 2 unusable arguments or input, 3 the test run could not start (an empty\n"
            "sequence, or OUT of --junit or --run-har cannot be written)."));
    auto& parser = program.parser();
    program.value("help-url", "The online help page's address.", "URL");
    program.flag("xml", "Prints the sequence document, UTF-8.");
    program.flag("request", "Prints the upload request: address CR LF headers CR LF body.");
    program.flag("upload",
                 "Sends the upload request; prints where it landed, then the outcome line.");
    program.flag("outcome",
                 "Prints the message id (or \"none\") an upload landing gives, then \" clear\" "
                 "when the sequence starts afresh.");
    program.flag("test-run", "Replays the sequence as the monitor will: one JSON line a step.");
    program.value("junit",
                  "With --test-run: writes the run as JUnit XML too, as File > Export Test Run "
                  "as JUnit XML does.",
                  "OUT");
    program.value("run-har",
                  "With --test-run: writes the run as a HAR too, as File > Export Test Run as HAR "
                  "does: an entry for every request that went over the wire.",
                  "OUT");
    program.flag("har", "STREAM is a HAR file.");
    program.value("file", "Writes the sequence as a sequence file, as File > Save to File does.",
                  "OUT");
    program.value("curl",
                  "Writes the sequence as a curl script, as File > Export as curl Script does.",
                  "OUT");
    program.value("locust",
                  "Writes the sequence as a Locust file, as File > Export as Locust File does.",
                  "OUT");
    program.flag("passwords", "Writes the passwords into OUT too.");
    program.value("name", "The sequence's name, as the upload dialog takes it.", "N");
    program.value("interval", "The poll interval in minutes.", "I");
    program.value("host", "The server's host.", "H");
    program.value("port", "The server's port.", "P");
    program.value("user", "The server's user.", "U");
    program.value("password", "The server user's password.", "W");
    parser.addPositionalArgument(QStringLiteral("stream"), QStringLiteral("The input."),
                                 QStringLiteral("STREAM"));

    if (const auto status = program.read(arguments))
        return *status;
    Options options;
    // The last form named is the one that counts, as it always has.
    static const QMap<QString, Mode> kModes = {
        {"xml", Mode::Xml},       {"request", Mode::Request},   {"outcome", Mode::Outcome},
        {"upload", Mode::Upload}, {"test-run", Mode::TrialRun},
    };
    for (const auto& name : parser.optionNames())
        options.mode = kModes.value(name, options.mode);
    if (parser.isSet(QStringLiteral("help-url")))
        options.helpUrl = parser.value(QStringLiteral("help-url"));
    for (const auto& name : kRequestOptions)
        if (parser.isSet(name))
            options.request.insert(name, parser.value(name));
    options.positional = parser.positionalArguments();
    options.har = parser.isSet(QStringLiteral("har"));
    options.file = parser.value(QStringLiteral("file"));
    options.curl = parser.value(QStringLiteral("curl"));
    options.locust = parser.value(QStringLiteral("locust"));
    options.passwords = parser.isSet(QStringLiteral("passwords"));
    options.junit = parser.value(QStringLiteral("junit"));
    options.runHar = parser.value(QStringLiteral("run-har"));

    const qsizetype wanted = options.mode == Mode::Outcome ? 3 : 1;
    if (options.positional.size() != wanted)
        return program.refuse(wanted == 3
                                  ? QStringLiteral("--outcome takes LANDING EVENT_ADDRESS PORT")
                                  : QStringLiteral("one STREAM to read"));
    const bool sends = options.mode == Mode::Request || options.mode == Mode::Upload;
    if (sends && options.request.size() != kRequestOptions.size())
        return program.refuse(QStringLiteral(
            "--request and --upload take --name, --interval, --host, --port, --user, --password"));
    if (!sends && !options.request.isEmpty())
        return program.refuse(
            QStringLiteral("the dialog's values go only with --request or --upload"));
    if (!(options.junit.isEmpty() && options.runHar.isEmpty()) && options.mode != Mode::TrialRun)
        return program.refuse(QStringLiteral("--junit and --run-har go with --test-run"));
    if (options.passwords && options.file.isEmpty() && options.curl.isEmpty() &&
        options.locust.isEmpty())
        return program.refuse(QStringLiteral("--passwords goes with --file, --curl or --locust"));
    return options;
}

void write(std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void write(const waytrace::ByteArray& bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void printOutcome(const waytrace::UploadOutcome& outcome)
{
    std::string line = outcome.message ? std::to_string(*outcome.message) : "none";
    if (outcome.clearSequence)
        line += " clear";
    write(line + "\n");
}

int printOutcome(const QStringList& args)
{
    printOutcome(waytrace::classifyUploadOutcome(args[0].toStdU16String(), args[1].toStdU16String(),
                                                 args[2].toStdU16String()));
    return 0;
}

waytrace::UploadRequest composeRequest(const waytrace::RecordedSequence& sequence,
                                       const QMap<QString, QString>& values)
{
    const auto text = [&values](const char* key) {
        return values.value(QLatin1String(key)).toStdU16String();
    };
    const waytrace::UploadFields fields{text("name"), text("interval"), text("host"),
                                        text("port"), text("user"),     text("password")};
    return waytrace::composeUploadRequest(sequence, fields,
                                          {waytrace::settings::kVersionMajor,
                                           waytrace::settings::kVersionMinor,
                                           waytrace::settings::kVersionRevision});
}

void printRequest(const waytrace::RecordedSequence& sequence, const QMap<QString, QString>& values)
{
    if (sequence.count() == 0)
        return; // nothing would be sent
    const auto request = composeRequest(sequence, values);
    write(waytrace::toUtf8(request.address));
    write("\r\n");
    write(waytrace::toUtf8(request.headers));
    write("\r\n");
    write(request.body);
}

// Exit status 0 only when the server created the sequence.
int upload(const waytrace::RecordedSequence& sequence, const QMap<QString, QString>& values)
{
    if (sequence.count() == 0) {
        std::fputs("waytrace-replay: nothing to upload: the sequence is empty\n", stderr);
        return 1;
    }
    const auto landing = waytrace::uploadThroughChannel(composeRequest(sequence, values));
    // The channel names its landing once: the address read and the one the event named agree.
    const auto outcome =
        waytrace::classifyUploadOutcome(landing.toStdU16String(), landing.toStdU16String(),
                                        values.value(QStringLiteral("port")).toStdU16String());
    write(landing.toStdString() + "\n");
    printOutcome(outcome);
    return outcome.message == waytrace::kMessageSequenceCreated ? 0 : 1;
}

// What an import left out, for the person who runs it.
void printLeftOut(const waytrace::HarImport& har)
{
    std::fprintf(stderr,
                 "left out: %d not pages, %d redirect follow-ups, %d not http(s), %d broken\n",
                 har.notPages, har.redirectFollowUps, har.notWeb, har.broken);
    if (har.inexactBodies.empty())
        return;
    std::string steps;
    for (const int step : har.inexactBodies)
        steps += (steps.empty() ? "" : ", ") + std::to_string(step);
    std::fprintf(stderr, "bodies not as sent: steps %s\n", steps.c_str());
}

// Bodies no file written without passwords can sift: kept whole, so the person is told.
void tellBodiesKeptWhole(const waytrace::RecordedSequence& sequence)
{
    int position = 0;
    for (const auto& record : sequence) {
        ++position;
        if (const auto type = waytrace::bodyKeptWhole(*record); !type.empty())
            std::fprintf(stderr,
                         "waytrace-replay: step %d: its body (%s) is kept whole: it may hold "
                         "secrets\n",
                         position, qPrintable(QString::fromStdU16String(type)));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const auto parsed = parse(waytrace::tools::commandLine(argc, argv));
    if (const auto* status = std::get_if<int>(&parsed))
        return *status;
    const auto* options = &std::get<Options>(parsed);
    // Qt Network, for uploads and trial runs, wants an application object.
    QCoreApplication application(argc, argv);
    if (options->mode == Mode::Outcome)
        return printOutcome(options->positional);

    const auto& streamPath = options->positional.first();
    QFile stream(streamPath);
    if (!stream.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "waytrace-replay: %s: %s\n", qPrintable(streamPath),
                     qPrintable(stream.errorString()));
        return kErrorExit;
    }
    const auto fail = [&streamPath](const QString& why) {
        std::fprintf(stderr, "waytrace-replay: %s: %s\n", qPrintable(streamPath), qPrintable(why));
        return kErrorExit;
    };
    const auto output = [&options, &fail](const waytrace::RecordedSequence& sequence,
                                          const QStringList& cancelled) {
        if (!options->passwords &&
            !(options->curl.isEmpty() && options->locust.isEmpty() && options->file.isEmpty()))
            tellBodiesKeptWhole(sequence);
        if (!options->curl.isEmpty()) {
            const auto script = waytrace::curlScript(sequence, options->passwords);
            if (const auto* refusal = std::get_if<waytrace::CurlScriptRefusal>(&script))
                return fail(QStringLiteral("step %1: basic authentication cannot send a user "
                                           "name with a colon; no script written")
                                .arg(refusal->step));
            if (const auto error = waytrace::writeFile(options->curl, std::get<QByteArray>(script),
                                                       waytrace::FileAccess::OwnerOnly))
                return fail(QStringLiteral("cannot write %1: %2").arg(options->curl, *error));
        }
        if (!options->locust.isEmpty()) {
            if (const auto error = waytrace::writeFile(
                    options->locust, waytrace::locustFile(sequence, options->passwords),
                    waytrace::FileAccess::OwnerOnly))
                return fail(QStringLiteral("cannot write %1: %2").arg(options->locust, *error));
        }
        if (!options->file.isEmpty()) {
            if (const auto error = waytrace::writeFile(
                    options->file, waytrace::sequenceFileBytes(sequence, options->passwords),
                    waytrace::FileAccess::OwnerOnly))
                return fail(QStringLiteral("cannot write %1: %2").arg(options->file, *error));
        }
        if (options->mode == Mode::Sequence &&
            !(options->file.isEmpty() && options->curl.isEmpty() && options->locust.isEmpty()))
            return 0; // the files stand for the JSON
        switch (options->mode) {
        case Mode::Sequence: {
            const auto json = waytrace::replayJson(cancelled, sequence);
            std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
            break;
        }
        case Mode::Xml:
            write(waytrace::toUtf8(waytrace::buildSequenceDocument(sequence)));
            break;
        case Mode::Request:
            printRequest(sequence, options->request);
            break;
        case Mode::Upload:
            return upload(sequence, options->request);
        case Mode::TrialRun:
            return static_cast<int>(waytrace::printTrialRun(
                sequence, {options->junit, options->runHar,
                           QFileInfo(options->positional.first()).baseName()}));
        case Mode::Outcome:
            break;
        }
        return 0;
    };

    if (options->har) {
        const auto imported =
            waytrace::importHar(stream.read(waytrace::kLargestSequenceFile), options->helpUrl);
        if (const auto* fault = std::get_if<waytrace::SequenceFileFault>(&imported))
            return fail(
                fault->kind == waytrace::SequenceFileFault::Kind::NotJson
                    ? QStringLiteral("not JSON at line %1: %2").arg(fault->line).arg(fault->detail)
                    : QStringLiteral("not a HAR file"));
        const auto& har = std::get<waytrace::HarImport>(imported);
        printLeftOut(har);
        waytrace::RecordedSequence sequence;
        sequence.insert(0, har.records);
        return output(sequence, {});
    }
    // A sequence file, or else an event stream (one JSON object a line, never a file's shape:
    // a file's first line is its opening brace alone).
    if (stream.size() > waytrace::kLargestSequenceFile &&
        stream.peek(64).simplified().startsWith("{ \"format\""))
        return fail(QStringLiteral("a sequence file larger than %1 MB is not read")
                        .arg(waytrace::kLargestSequenceFile / 1000 / 1000));
    const QByteArray bytes = stream.peek(waytrace::kLargestSequenceFile);
    if (bytes.trimmed().isEmpty())
        return fail(QStringLiteral("empty: neither a sequence file nor an event stream"));
    const auto file = waytrace::readSequenceFile(bytes);
    if (const auto* contents = std::get_if<waytrace::SequenceFileContents>(&file)) {
        waytrace::RecordedSequence sequence;
        sequence.insert(0, contents->records);
        return output(sequence, {});
    }
    using Kind = waytrace::SequenceFileFault::Kind;
    if (const auto& fault = std::get<waytrace::SequenceFileFault>(file); fault.kind == Kind::Newer)
        return fail(QStringLiteral("a sequence file of a newer format (%1)").arg(fault.detail));
    else if (fault.kind == Kind::BadField)
        return fail(QStringLiteral("a sequence file whose record %1 has a broken field \"%2\"")
                        .arg(fault.record)
                        .arg(fault.field));
    else if (bytes.left(bytes.indexOf('\n')).trimmed() == "{") // a file's shape, not a stream's
        return fail(fault.kind == Kind::NotJson
                        ? QStringLiteral("a sequence file cut or broken at line %1: %2")
                              .arg(fault.line)
                              .arg(fault.detail)
                        : QStringLiteral("JSON, but not a sequence file"));
    try {
        waytrace::ReplaySession session(options->helpUrl);
        for (const auto& event : waytrace::readEventStream(stream))
            session.apply(event);
        return output(session.sequence(), session.cancelled());
    } catch (const waytrace::EventStreamError& error) {
        return fail(QString::fromUtf8(error.what()));
    }
}
