#include "locust_file.h"

#include "common/header_lines.h"
#include "core/recording_rule.h"
#include "core/secrets.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace waytrace {

namespace {

// What every file holds before its steps: how an answer is checked, and the end of the run.
constexpr char kPrelude[] = R"py(import codecs
import os
import re
import sys
import urllib.parse

import gevent
import locust.runners
from locust import HttpUser, SequentialTaskSet, constant, events, task
from locust.exception import StopUser
from locust.runners import STATE_RUNNING, MasterRunner, WorkerRunner

# Debian's Locust reports no version, and a master refuses every worker that reports none ("an
# old (pre 2.0) worker"): master and workers, reading this same file, take the same one first.
if not locust.runners.__version__:
    locust.__version__ = locust.runners.__version__ = "0.0.0+waytrace"

_HEADER_CHARSET = re.compile(r'charset\s*=\s*"?([^";\s]+)', re.I)
_PAGE_CHARSET = re.compile(rb"""<meta[^>]*?charset\s*=\s*["']?([A-Za-z0-9._:-]+)""", re.I)


def _text(response):
    """The answer as the monitor reads it: in the charset its header names, else its page's
    own, else UTF-8."""
    names = []
    found = _HEADER_CHARSET.search(response.headers.get("Content-Type", ""))
    if found:
        names.append(found.group(1))
    found = _PAGE_CHARSET.search(response.content[:1024])
    if found:
        names.append(found.group(1).decode("ascii"))
    for name in names:
        try:
            return response.content.decode(codecs.lookup(name).name, "replace")
        except LookupError:
            pass
    return response.content.decode("utf-8", "replace")


def _fires(condition, status, code):
    return {"gt": status > code, "eq": status == code, "ne": status != code}[condition]


def _latin1_or_utf8(text):
    try:
        return text.encode("latin-1")
    except UnicodeEncodeError:
        return text.encode("utf-8")


def _withheld(pieces):
    """The recorded bytes, with each value the file was written without taken from the
    environment where it stands: percent-encoded there, or as its bytes."""
    if not isinstance(pieces, list):
        return pieces
    out = b""
    for piece in pieces:
        if isinstance(piece, bytes):
            out += piece
        else:
            value = os.environb[piece[0].encode("ascii")]
            out += urllib.parse.quote_from_bytes(value, safe="").encode("ascii") if piece[1] else value
    return out


def _send(client, step):
    if step["unsent"]:
        # As the test run: a step that cannot be sent as recorded did not pass.
        client.request_event.fire(request_type=step["method"], name=step["name"],
                                  response_time=0, response_length=0, response=None,
                                  context={}, exception=Exception(step["unsent"]))
        return
    auth = step["auth"]
    if step["password_variable"]:
        auth = (auth[0], os.environ[step["password_variable"]])
    if auth:
        # As the test run writes them: Latin-1 where they fit, else UTF-8.
        auth = tuple(_latin1_or_utf8(part) for part in auth)
    url = step["url"] if isinstance(step["url"], str) else _withheld(step["url"]).decode("utf-8")
    with client.request(step["method"], url, name=step["name"], data=_withheld(step["body"]),
                        headers=step["headers"], auth=auth, allow_redirects=True,
                        catch_response=True) as response:
        if not response.status_code:
            response.failure("no answer: %s" % response.error)
            return
        text = _text(response)
        fired = []
        if step["required"] and step["required"] not in text:
            fired.append('"%s" not found' % step["required"])
        if step["forbidden"] and step["forbidden"] in text:
            fired.append('"%s" found' % step["forbidden"])
        if step["condition"] and _fires(step["condition"], response.status_code, step["code"]):
            fired.append("status %d is %s" % (response.status_code, step["condition_words"]))
        if fired:
            response.failure("would alert: " + "; ".join(fired))
        else:
            response.success()


@events.init.add_listener
def _passwords_are_given(environment, **_):
    # Only where requests are sent: a master sends none.
    if isinstance(environment.runner, MasterRunner):
        return
    missing = [variable for step in STEPS for variable in step.get("withheld", ())
               if variable not in os.environ]
    if missing:
        sys.exit("set the values this file was written without: " + " ".join(missing))


@events.init.add_listener
def _end_when_every_user_stopped(environment, **_):
    # Each user makes one pass; once all have, the run is over (on the master, for every worker).
    if isinstance(environment.runner, WorkerRunner):
        return
    spawned = []
    environment.events.spawning_complete.add_listener(lambda **_: spawned.append(True))

    def watch():
        runner = environment.runner
        while not (spawned and runner.state == STATE_RUNNING and runner.user_count == 0):
            gevent.sleep(0.1)
        runner.quit()

    gevent.spawn(watch)


)py";

// A Python string literal in ASCII: every other character escaped.
QByteArray pythonString(const QString& text)
{
    QByteArray out = "\"";
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c == '\\' || c == '"')
            out += '\\' + QByteArray(1, static_cast<char>(c));
        else if (c >= 0x20 && c < 0x7f)
            out += static_cast<char>(c);
        else if (c < 0x100)
            out += "\\x" + QByteArray::number(uint(c), 16).rightJustified(2, '0');
        else if (c < 0x10000)
            out += "\\u" + QByteArray::number(uint(c), 16).rightJustified(4, '0');
        else
            out += "\\U" + QByteArray::number(uint(c), 16).rightJustified(8, '0');
    }
    return out + '"';
}

QByteArray pythonString(const std::u16string& text)
{
    return pythonString(QString::fromStdU16String(text));
}

// A Python bytes literal holding exactly `bytes`.
QByteArray pythonBytes(const QByteArray& bytes)
{
    QByteArray out = "b\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"')
            out += '\\' + QByteArray(1, c);
        else if (byte >= 0x20 && byte < 0x7f)
            out += c;
        else
            out += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
    }
    return out + '"';
}

// Bytes with the values a file was written without cut out: a list of the bytes between and a
// (variable, percent-encoded) pair where each stands; the bytes alone where none is.
QByteArray pythonPieces(const std::string& bytes, const std::vector<WithheldSpot>& spots)
{
    const auto literal = [](const std::string& piece) {
        return pythonBytes(QByteArray::fromStdString(piece));
    };
    if (spots.empty())
        return literal(bytes);
    QByteArray out = "[";
    std::size_t from = 0;
    for (const auto& spot : spots) {
        out += literal(bytes.substr(from, spot.at - from)) + ", (\"" +
               QByteArray::fromStdString(spot.variable) + "\", " +
               (spot.percentEncoded ? "True" : "False") + "), ";
        from = spot.at + spot.length;
    }
    return out + literal(bytes.substr(from)) + ']';
}

// An address's UTF-8 bytes, its spots moved to where they stand in them.
std::string addressPieces(const std::u16string& address, std::vector<WithheldSpot>& spots)
{
    std::string bytes;
    std::size_t from = 0;
    for (auto& spot : spots) {
        bytes += QString::fromStdU16String(address.substr(from, spot.at - from)).toStdString();
        const auto at = bytes.size();
        bytes += QString::fromStdU16String(address.substr(spot.at, spot.length)).toStdString();
        from = spot.at + spot.length;
        spot.length = bytes.size() - at;
        spot.at = at;
    }
    return bytes + QString::fromStdU16String(address.substr(from)).toStdString();
}

// One line a comment can hold.
QByteArray comment(QByteArray text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return "# " + text + '\n';
}

QByteArray conditionName(const ResponseCondition& condition)
{
    switch (condition.known().value_or(CodeCondition::GreaterThan)) {
    case CodeCondition::GreaterThan:
        break;
    case CodeCondition::EqualTo:
        return "\"eq\"";
    case CodeCondition::NotEqualTo:
        return "\"ne\"";
    }
    return condition.known() ? "\"gt\"" : "None";
}

// The name Locust prints for a step: its label without control characters, which a terminal
// would obey.
QByteArray stepName(int number, const UrlRecord& record)
{
    QString name =
        QString::number(number) + ". " + (record.method == HttpMethod::Post ? "POST" : "GET");
    if (!record.displayName.empty())
        name += u' ' + QString::fromStdU16String(record.displayName);
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    return pythonString(name);
}

// A step that cannot be sent as recorded: it fails where it stands.
QByteArray unsentStep(int number, const UrlRecord& record, const QString& why)
{
    return "    {\"name\": " + stepName(number, record) +
           ",\n     \"method\": " + (record.method == HttpMethod::Post ? "\"POST\"" : "\"GET\"") +
           ",\n     \"unsent\": " + pythonString(why) + "},\n";
}

QByteArray step(int number, const UrlRecord& record)
{
    const bool post = record.method == HttpMethod::Post;
    QByteArray headers;
    for (const auto& [header, value] :
         parseHeaderLines(QString::fromStdU16String(record.headers))) {
        if (headerUse(header) == HeaderUse::Ignored ||
            (!post && header.toLower() == "content-type"))
            continue;
        headers += pythonString(QString::fromLatin1(header)) + ": " + pythonBytes(value) + ", ";
    }
    QByteArray withheld;
    QByteArray passwordVariable = "None";
    for (const auto& value : withheldValues(record, std::size_t(number - 1))) {
        withheld += '"' + QByteArray::fromStdString(value.variable) + "\", ";
        if (value.kind == WithheldValue::Kind::Password)
            passwordVariable = '"' + QByteArray::fromStdString(value.variable) + '"';
    }
    QByteArray auth = "None";
    if (!record.userName.empty())
        auth = "(" + pythonString(record.userName) + ", " +
               (passwordVariable == "None" ? pythonString(record.password) : "None") + ")";
    const auto bodySpots = withheldSpots(record, std::size_t(number - 1), false);
    auto addressSpots = withheldSpots(record, std::size_t(number - 1), true);
    const std::string address = addressPieces(record.urlAddress, addressSpots);
    QByteArray body = "None";
    if (post)
        body = pythonPieces(postDataBytes(record.postBody), bodySpots);
    const std::u16string words(conditionWords(record.responseCondition));
    return "    {\"name\": " + stepName(number, record) + ",\n     \"unsent\": None" +
           ",\n     \"method\": " + (post ? "\"POST\"" : "\"GET\"") + ",\n     \"url\": " +
           (addressSpots.empty() ? pythonString(record.urlAddress)
                                 : pythonPieces(address, addressSpots)) +
           ",\n     \"headers\": {" + headers.chopped(headers.isEmpty() ? 0 : 2) + "}" +
           ",\n     \"body\": " + body + ",\n     \"auth\": " + auth +
           ",\n     \"password_variable\": " + passwordVariable + ",\n     \"withheld\": [" +
           withheld.chopped(withheld.isEmpty() ? 0 : 2) + "]" +
           ",\n     \"required\": " + pythonString(record.requiredKeywords) +
           ",\n     \"forbidden\": " + pythonString(record.forbiddenKeywords) +
           ",\n     \"condition\": " + conditionName(record.responseCondition) +
           ",\n     \"condition_words\": " +
           pythonString(words + u" " + QString::number(record.responseCode).toStdU16String()) +
           ",\n     \"code\": " + QByteArray::number(record.responseCode) + "},\n";
}

} // namespace

QByteArray locustFile(const RecordedSequence& sequence, bool withPasswords)
{
    QByteArray file =
        "# The recorded sequence for Locust, as the monitor replays it: each user sends every "
        "step\n"
        "# once, in order, marks a request failed where the monitor would alert, and stops.\n"
        "#   locust -f THIS_FILE --headless --users 10 --spawn-rate 10\n";
    file += kPrelude;
    QByteArray host;
    QByteArray steps = "STEPS = [\n";
    int number = 0;
    int sent = 0;
    for (const auto& shared : sequence) {
        ++number;
        std::optional<UrlRecord> stripped;
        const UrlRecord* record =
            withPasswords ? shared.get() : &stripped.emplace(withoutSecrets(*shared));
        const QString fault = headerLinesFault(QString::fromStdU16String(record->headers));
        if (!fault.isEmpty()) {
            steps += unsentStep(number, *record,
                                QStringLiteral("step %1 not sent: %2").arg(number).arg(fault));
            ++sent;
            continue;
        }
        if (const auto type = bodyKeptWhole(*record); !withPasswords && !type.empty())
            steps += "    " + comment("step " + QByteArray::number(number) + ": its body (" +
                                      QString::fromStdU16String(type).toUtf8() +
                                      ") is kept whole: it may hold secrets");
        if (host.isEmpty())
            host = QUrl(QString::fromStdU16String(record->urlAddress))
                       .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                                 QUrl::RemoveUserInfo)
                       .toEncoded();
        steps += step(number, *record);
        ++sent;
    }
    file += steps + "]\n\n\n";
    file += "class RecordedSequence(SequentialTaskSet):\n";
    for (int i = 0; i < sent; ++i)
        file += "    @task\n    def step_" + QByteArray::number(i + 1) +
                "(self):\n        _send(self.client, STEPS[" + QByteArray::number(i) + "])\n\n";
    file += "    @task\n    def done(self):\n        raise StopUser()\n\n\n";
    file += "class RecordedUser(HttpUser):\n"
            "    host = " +
            pythonString(QString::fromLatin1(host.isEmpty() ? "http://localhost" : host)) +
            "  # every step names its own address\n"
            "    wait_time = constant(0)\n"
            "    tasks = [RecordedSequence]\n\n"
            "    def on_start(self):\n"
            "        self.client.max_redirects = 20  # as the monitor follows them\n";
    return file;
}

} // namespace waytrace
