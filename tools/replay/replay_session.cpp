#include "replay_session.h"

#include <limits>
#include <utility>

namespace waytrace {

namespace {

// The sequence index of an event's 1-based position; out of range for a position below 1.
std::size_t indexOf(const StreamEvent& event)
{
    return event.position >= 1 ? static_cast<std::size_t>(event.position - 1)
                               : std::numeric_limits<std::size_t>::max();
}

} // namespace

ReplaySession::ReplaySession(QString helpUrl) : recorder_(std::move(helpUrl))
{
    recorder_.listen(main_);
    recorder_.listen(popup_, true);
}

void ReplaySession::apply(const StreamEvent& event)
{
    using Kind = StreamEvent::Kind;
    switch (event.kind) {
    case Kind::Edit:
        edit(event);
        break;
    case Kind::Remove:
        if (!recorder_.sequence().remove(indexOf(event)))
            throw EventStreamError(
                event.line, QStringLiteral("position %1 is out of range").arg(event.position));
        break;
    case Kind::Clear:
        recorder_.sequence().clear();
        break;
    default:
        playBrowserEvent(event.browser == StreamEvent::Target::Popup ? popup_ : main_, event);
        break;
    }
}

void ReplaySession::edit(const StreamEvent& event)
{
    const auto record = recorder_.sequence().at(indexOf(event));
    if (!record)
        throw EventStreamError(event.line,
                               QStringLiteral("position %1 is out of range").arg(event.position));

    if (event.field == QLatin1String("httpvalue")) {
        const auto number = event.value.toDouble();
        const auto whole = event.value.toInteger(std::numeric_limits<qint64>::max());
        if (!event.value.isDouble() || number != static_cast<double>(whole) ||
            whole < std::numeric_limits<std::int16_t>::min() ||
            whole > std::numeric_limits<std::int16_t>::max())
            throw EventStreamError(event.line,
                                   QStringLiteral("httpvalue must be a whole number from "
                                                  "-32768 to 32767"));
        record->responseCode = static_cast<std::int16_t>(whole);
        return;
    }

    if (event.field == QLatin1String("httpcondition")) {
        if (!event.value.isString())
            throw EventStreamError(event.line, QStringLiteral("httpcondition must be a string"));
        record->responseCondition = readResponseCondition(event.value.toString().toStdU16String());
        return;
    }

    static const std::pair<const char*, RecordTextField> kTextFields[] = {
        {"displayname", &UrlRecord::displayName},
        {"matchcontent", &UrlRecord::requiredKeywords},
        {"unavailabilitystring", &UrlRecord::forbiddenKeywords},
        {"username", &UrlRecord::userName},
        {"password", &UrlRecord::password},
    };
    for (const auto& [name, member] : kTextFields) {
        if (event.field == QLatin1String(name)) {
            if (!event.value.isString())
                throw EventStreamError(event.line,
                                       QStringLiteral("%1 must be a string").arg(event.field));
            (*record).*member = event.value.toString().toStdU16String();
            return;
        }
    }
    throw EventStreamError(event.line, QStringLiteral("unknown field \"%1\"").arg(event.field));
}

} // namespace waytrace
