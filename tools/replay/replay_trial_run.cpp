#include "replay_trial_run.h"

#include "common/file_writer.h"
#include "core/secrets.h"

#include "network/trial_run.h"
#include "network/trial_run_har.h"
#include "network/trial_run_junit.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace waytrace {

namespace {

// Nobody here can answer for what a file saved without passwords left out: it is sent as the
// file holds it, and the run says so.
// What a file saved without passwords left out, from the environment variables its exports
// name too; nothing is sent in their place. The variables not set.
QStringList supplyWithheld(const RecordedSequence& sequence)
{
    QStringList missing;
    std::size_t index = 0;
    for (const auto& record : sequence) {
        for (const auto& value : withheldValues(*record, index++)) {
            const char* name = value.variable.c_str();
            if (!qEnvironmentVariableIsSet(name)) {
                missing << QString::fromStdString(value.variable);
                continue;
            }
            const QByteArray bytes = qgetenv(name);
            switch (value.kind) {
            case WithheldValue::Kind::Password:
                supplyPassword(*record, QString::fromLocal8Bit(bytes).toStdU16String());
                break;
            case WithheldValue::Kind::AddressPassword:
                supplyAddressPassword(*record, bytes.toStdString());
                break;
            case WithheldValue::Kind::Field:
                supplyField(*record, value.field, bytes.toStdString());
                break;
            }
        }
    }
    return missing;
}

QByteArray jsonString(const QString& text)
{
    const auto array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray jsonBool(const std::optional<bool>& value)
{
    if (!value)
        return "null";
    return *value ? "true" : "false";
}

QByteArray failureName(const TrialRunResult& result)
{
    return result.failure == TrialRunFailure::None ? QByteArray("null")
                                                   : jsonString(failureWords(result));
}

QByteArray differenceName(PageDifference::Kind kind)
{
    switch (kind) {
    case PageDifference::Kind::Status:
        return "\"status\"";
    case PageDifference::Kind::Address:
        return "\"address\"";
    case PageDifference::Kind::Title:
        return "\"title\"";
    case PageDifference::Kind::Text:
        break;
    }
    return "\"text\"";
}

} // namespace

QByteArray trialRunLine(const TrialRunResult& result)
{
    // Written by hand to keep the keys in the order people read them.
    const auto text = [](const std::u16string& value) {
        return jsonString(QString::fromStdU16String(value));
    };
    const auto record = result.record.lock();
    QByteArray stale = "[";
    for (const auto& field : result.staleFields) {
        const auto value = [&](const std::u16string& v) {
            return !record || sendsSecret(*record, field.name)
                       ? jsonString(QString::fromLatin1(kLeftOut))
                       : text(v);
        };
        stale +=
            (stale.size() > 1 ? ",{\"field\":" : "{\"field\":") + text(field.name) + ",\"kind\":" +
            (field.kind == StaleField::Kind::Token ? "\"token\"" : "\"changes per visit\"") +
            ",\"recorded\":" + value(field.recorded) + ",\"live\":" + value(field.live) +
            ",\"page\":" +
            (field.offeredBy ? QByteArray::number(qulonglong(*field.offeredBy + 1)) : "null") + "}";
    }
    stale += "]";
    QByteArray differs = "[";
    for (const auto& difference : result.differences) {
        const auto shown = [&difference, &text](const std::u16string& value) {
            return text(difference.kind == PageDifference::Kind::Address
                            ? addressWithoutSecrets(value)
                            : value);
        };
        differs += (differs.size() > 1 ? ",{\"what\":" : "{\"what\":") +
                   differenceName(difference.kind) + ",\"saw\":" + shown(difference.saw) +
                   ",\"got\":" + shown(difference.got) +
                   (difference.kind == PageDifference::Kind::Text
                        ? ",\"common\":" + QByteArray::number(difference.alikePercent)
                        : QByteArray()) +
                   "}";
    }
    differs += "]";
    return "{\"position\":" + QByteArray::number(result.position) +
           ",\"status\":" + (result.status != 0 ? QByteArray::number(result.status) : "null") +
           ",\"final\":" +
           jsonString(
               QString::fromStdU16String(addressWithoutSecrets(result.finalUrl.toStdU16String()))) +
           ",\"ms\":" + QByteArray::number(result.milliseconds) +
           ",\"fires\":{\"matchcontent\":" + jsonBool(result.fires.requiredKeywords) +
           ",\"unavailabilitystring\":" + jsonBool(result.fires.forbiddenKeywords) +
           ",\"httpcondition\":" + jsonBool(result.fires.responseCondition) +
           "},\"stale\":" + stale + ",\"differs\":" + differs +
           ",\"error\":" + failureName(result) + "}\n";
}

TrialRunExit printTrialRun(const RecordedSequence& sequence, const TrialRunReports& reports)
{
    if (sequence.count() == 0) {
        std::fputs("waytrace-replay: nothing to run: the sequence is empty\n", stderr);
        return kCannotStart;
    }
    if (const auto missing = supplyWithheld(sequence); !missing.isEmpty()) {
        std::fprintf(stderr, "waytrace-replay: set the values the file was saved without: %s\n",
                     qPrintable(missing.join(u' ')));
        return kWithheldMissing;
    }
    const auto cannotWrite = [](const QString& path, const QString& why) {
        std::fprintf(stderr, "waytrace-replay: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(why));
        return kCannotStart;
    };
    // Opened before the run: a report that cannot be written is told before anything is sent.
    FileWriter junit(reports.junit);
    FileWriter har(reports.har);
    for (auto [writer, path] : {std::pair{&junit, &reports.junit}, {&har, &reports.har}})
        if (const auto error = path->isEmpty() ? std::nullopt : writer->open())
            return cannotWrite(*path, *error);
    TrialRun trialRun;
    bool allPassed = true;
    QList<TrialRunResult> results;
    QObject::connect(&trialRun, &TrialRun::stepFinished, [&](const TrialRunResult& result) {
        allPassed = allPassed && result.passed();
        results.append(result);
        const auto line = trialRunLine(result);
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
    });
    tellPostSteps(sequence, "waytrace-replay");
    QEventLoop loop;
    QObject::connect(&trialRun, &TrialRun::finished, &loop, &QEventLoop::quit);
    trialRun.start(sequence);
    if (trialRun.isRunning())
        loop.exec();
    if (!reports.junit.isEmpty()) {
        junit.write(trialRunJUnit(reports.suite, junitSteps(sequence, results)));
        if (const auto error = junit.commit())
            return cannotWrite(reports.junit, *error);
    }
    if (!reports.har.isEmpty()) {
        har.write(trialRunHar(results));
        if (const auto error = har.commit())
            return cannotWrite(reports.har, *error);
    }
    return allPassed ? kAllPassed : kNotAllPassed;
}

void tellPostSteps(const RecordedSequence& sequence, const char* program)
{
    // As the window asks before a run: what it sends, it sends for real.
    const QStringList posts = postSteps(sequence);
    if (posts.isEmpty())
        return;
    const QByteArray notice = QByteArray(program) +
                              ": the test run sends these POST steps to their servers for real, "
                              "as the monitor will:\n  " +
                              posts.join(QStringLiteral("\n  ")).toUtf8() + '\n';
    std::fwrite(notice.constData(), 1, static_cast<std::size_t>(notice.size()), stderr);
}

} // namespace waytrace
