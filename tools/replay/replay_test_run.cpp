#include "replay_test_run.h"

#include "network/test_run.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace waytrace {

namespace {

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

QByteArray failureName(const TestRunResult& result)
{
    switch (result.failure) {
    case TestRunFailure::None:
        return "null";
    case TestRunFailure::Refused:
        return jsonString(QStringLiteral("connection refused"));
    case TestRunFailure::HostNotFound:
        return jsonString(QStringLiteral("host not found"));
    case TestRunFailure::Silent:
        return jsonString(QStringLiteral("no answer"));
    case TestRunFailure::Secure:
        return jsonString(QStringLiteral("secure connection failed"));
    case TestRunFailure::BrokenOff:
        return jsonString(QStringLiteral("answer broke off"));
    case TestRunFailure::Redirects:
        return jsonString(QStringLiteral("too many or unsafe redirects"));
    case TestRunFailure::Other:
        break;
    }
    return jsonString(result.failureDetail);
}

} // namespace

QByteArray testRunLine(const TestRunResult& result)
{
    // Written by hand to keep the keys in the order people read them.
    QByteArray stale = "[";
    for (const auto& name : result.staleFields)
        stale += (stale.size() > 1 ? "," : "") + jsonString(name);
    stale += "]";
    return "{\"position\":" + QByteArray::number(result.position) +
           ",\"status\":" + (result.status != 0 ? QByteArray::number(result.status) : "null") +
           ",\"final\":" + jsonString(result.finalUrl) +
           ",\"ms\":" + QByteArray::number(result.milliseconds) +
           ",\"fires\":{\"matchcontent\":" + jsonBool(result.fires.matchContent) +
           ",\"unavailabilitystring\":" + jsonBool(result.fires.unavailabilityString) +
           ",\"httpcondition\":" + jsonBool(result.fires.httpCondition) + "},\"stale\":" + stale +
           ",\"error\":" + failureName(result) + "}\n";
}

bool printTestRun(const RecordedSequence& sequence)
{
    TestRun testRun;
    bool allPassed = true;
    QObject::connect(&testRun, &TestRun::stepFinished, [&](const TestRunResult& result) {
        allPassed = allPassed && result.passed();
        const auto line = testRunLine(result);
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fflush(stdout);
    });
    QEventLoop loop;
    QObject::connect(&testRun, &TestRun::finished, &loop, &QEventLoop::quit);
    testRun.start(sequence);
    if (testRun.isRunning())
        loop.exec();
    return allPassed;
}

} // namespace waytrace
