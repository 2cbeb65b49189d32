#include "event_stream.h"

#include "common/header_lines.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace waytrace {

namespace {

using Kind = StreamEvent::Kind;

constexpr std::array<std::pair<Kind, const char*>, 11> kKindNames = {{
    {Kind::BeforeNavigate2, "BeforeNavigate2"},
    {Kind::RequestBodyConfirmed, "RequestBodyConfirmed"},
    {Kind::NewWindow2, "NewWindow2"},
    {Kind::NavigateComplete2, "NavigateComplete2"},
    {Kind::DocumentComplete, "DocumentComplete"},
    {Kind::DownloadComplete, "DownloadComplete"},
    {Kind::OnQuit, "OnQuit"},
    {Kind::WindowClosing, "WindowClosing"},
    {Kind::Edit, "Edit"},
    {Kind::Remove, "Remove"},
    {Kind::Clear, "Clear"},
}};

const char* kindName(Kind kind)
{
    for (const auto& [k, name] : kKindNames)
        if (k == kind)
            return name;
    return "";
}

class LineReader
{
public:
    LineReader(int line, QJsonObject object) : line_(line), object_(std::move(object)) {}

    [[noreturn]] void fail(const QString& message) const { throw EventStreamError(line_, message); }

    QString text(const char* key, bool required = false) const
    {
        const auto value = object_.value(QLatin1String(key));
        if (value.isUndefined() && !required)
            return {};
        if (!value.isString())
            fail(QStringLiteral("\"%1\" must be a string").arg(QLatin1String(key)));
        return value.toString();
    }

    bool truth(const char* key) const
    {
        const auto value = object_.value(QLatin1String(key));
        if (value.isUndefined())
            return false;
        if (!value.isBool())
            fail(QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key)));
        return value.toBool();
    }

    qint64 position(const char* key = "position", bool required = true) const
    {
        const auto value = object_.value(QLatin1String(key));
        if (value.isUndefined() && !required)
            return 0;
        const double number = value.toDouble(-1);
        if (!value.isDouble() || number < 1 || number != static_cast<double>(value.toInteger()))
            fail(QStringLiteral("\"%1\" must be a whole number from 1").arg(QLatin1String(key)));
        return value.toInteger();
    }

    QByteArray bytes(const char* key) const
    {
        const auto encoded = text(key).toLatin1();
        auto decoded =
            QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            fail(QStringLiteral("\"%1\" is not valid base64").arg(QLatin1String(key)));
        return *decoded;
    }

    QJsonValue raw(const char* key) const { return object_.value(QLatin1String(key)); }

private:
    int line_;
    QJsonObject object_;
};

StreamEvent parseLine(int line, const QByteArray& bytes)
{
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw EventStreamError(line, QStringLiteral("not a JSON object"));
    const LineReader reader(line, document.object());

    StreamEvent event;
    event.line = line;
    const auto name = reader.text("event", true);
    bool known = false;
    for (const auto& [kind, kindText] : kKindNames) {
        if (name == QLatin1String(kindText)) {
            event.kind = kind;
            known = true;
        }
    }
    if (!known)
        reader.fail(QStringLiteral("unknown event \"%1\"").arg(name));

    const auto browser = reader.text("browser");
    if (browser == QLatin1String("popup"))
        event.browser = StreamEvent::Target::Popup;
    else if (!browser.isEmpty() && browser != QLatin1String("main"))
        reader.fail(QStringLiteral("\"browser\" must be \"main\" or \"popup\""));

    switch (event.kind) {
    case Kind::BeforeNavigate2:
    case Kind::RequestBodyConfirmed:
        event.url = reader.text("url", true);
        event.headers = reader.text("headers");
        if (const auto fault = headerLinesFault(event.headers); !fault.isEmpty())
            reader.fail(QStringLiteral("headers of %1: %2").arg(event.url, fault));
        if (const auto postData = reader.bytes("postData"); !postData.isEmpty()) {
            event.method = HttpMethod::Post;
            event.body = postData.chopped(1);
        }
        event.bodyUnconfirmed =
            event.kind == Kind::BeforeNavigate2 && reader.truth("bodyUnconfirmed");
        event.request = reader.position("request", event.kind == Kind::RequestBodyConfirmed);
        break;
    case Kind::NavigateComplete2:
    case Kind::DocumentComplete:
        event.url = reader.text("url");
        break;
    case Kind::WindowClosing:
        event.isChildWindow = reader.truth("isChildWindow");
        break;
    case Kind::Edit:
        event.position = reader.position();
        event.field = reader.text("field", true);
        event.value = reader.raw("value");
        if (!event.value.isString() && !event.value.isDouble())
            reader.fail(QStringLiteral("\"value\" must be a string or a number"));
        break;
    case Kind::Remove:
        event.position = reader.position();
        break;
    case Kind::NewWindow2:
    case Kind::DownloadComplete:
    case Kind::OnQuit:
    case Kind::Clear:
        break;
    }
    return event;
}

} // namespace

EventStreamError::EventStreamError(int line, const QString& message)
    : std::runtime_error(QStringLiteral("line %1: %2").arg(line).arg(message).toStdString()),
      line_(line)
{
}

QList<StreamEvent> readEventStream(QIODevice& device)
{
    QList<StreamEvent> events;
    int line = 0;
    while (!device.atEnd()) {
        auto bytes = device.readLine();
        ++line;
        if (bytes.trimmed().isEmpty())
            continue;
        events.append(parseLine(line, bytes));
    }
    return events;
}

QByteArray writeStreamEvent(const StreamEvent& event)
{
    QJsonObject object{{QStringLiteral("event"), QLatin1String(kindName(event.kind))}};
    if (event.browser == StreamEvent::Target::Popup)
        object.insert(QStringLiteral("browser"), QStringLiteral("popup"));
    switch (event.kind) {
    case Kind::BeforeNavigate2:
    case Kind::RequestBodyConfirmed:
        object.insert(QStringLiteral("url"), event.url);
        if (!event.headers.isEmpty())
            object.insert(QStringLiteral("headers"), event.headers);
        if (event.method == HttpMethod::Post)
            object.insert(QStringLiteral("postData"),
                          QLatin1String((event.body + '\0').toBase64()));
        if (event.bodyUnconfirmed)
            object.insert(QStringLiteral("bodyUnconfirmed"), true);
        if (event.request != 0)
            object.insert(QStringLiteral("request"), event.request);
        break;
    case Kind::NavigateComplete2:
    case Kind::DocumentComplete:
        object.insert(QStringLiteral("url"), event.url);
        break;
    case Kind::WindowClosing:
        object.insert(QStringLiteral("isChildWindow"), event.isChildWindow);
        break;
    case Kind::Edit:
        object.insert(QStringLiteral("position"), event.position);
        object.insert(QStringLiteral("field"), event.field);
        object.insert(QStringLiteral("value"), event.value);
        break;
    case Kind::Remove:
        object.insert(QStringLiteral("position"), event.position);
        break;
    case Kind::NewWindow2:
    case Kind::DownloadComplete:
    case Kind::OnQuit:
    case Kind::Clear:
        break;
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace waytrace
