#include "curl_script.h"

#include "common/header_lines.h"
#include "core/recording_rule.h"
#include "core/secrets.h"

#include <QByteArrayList>
#include <QString>

#include <optional>

namespace waytrace {

namespace {

// Single-quoted for the shell: nothing inside is special but the quote itself.
QByteArray shellQuoted(const QByteArray& text)
{
    return '\'' + QByteArray(text).replace('\'', "'\\''") + '\'';
}

// A value of curl's configuration: double-quoted, where a backslash escapes the quote, itself
// and the line breaks, so that every value stays on its line.
QByteArray configQuoted(const QString& text)
{
    QByteArray quoted = "\"";
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\v':
            quoted += "\\v";
            break;
        default:
            quoted += c;
        }
    }
    return quoted + '"';
}

// A printf format that writes exactly `bytes`: printf reads "\ooo" in its format in every shell,
// NUL included, where a quoted string could not carry it.
QByteArray printfFormat(const std::string& bytes)
{
    QByteArray format;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            format += "\\\\";
        else if (byte == '%')
            format += "%%";
        else if (byte < 0x20 || byte >= 0x7f || byte == '\'')
            format += '\\' + QByteArray::number(byte, 8).rightJustified(3, '0');
        else
            format += c;
    }
    return '\'' + format + '\'';
}

// No line of a step's configuration on curl's input is only this: each starts with an
// option's name.
constexpr char kConfigEnd[] = "WAYTRACE_STEP";

QByteArray command(std::size_t number, const UrlRecord& record, bool withPasswords)
{
    QByteArray line;
    QByteArray options;
    const bool post = record.method == HttpMethod::Post;
    if (post) {
        line += "printf " + printfFormat(postDataBytes(record.postBody)) + " >\"$body\"\n";
        options += " --data-binary \"@$body\"";
    }
    // Through a file: a header line may be longer than an argument or a line of curl's
    // configuration can be, and a login's lines stay out of the process list.
    QByteArray headers;
    for (const auto& [name, value] : parseHeaderLines(QString::fromStdU16String(record.headers))) {
        if (headerUse(name) == HeaderUse::Ignored || (!post && name.toLower() == "content-type"))
            continue;
        headers += " \\\n    " + shellQuoted(name + ": " + value);
    }
    if (!headers.isEmpty()) {
        line += "printf '%s\\n'" + headers + " >\"$headers\"\n";
        options += " --header \"@$headers\"";
    }
    line += "step " + QByteArray::number(qulonglong(number)) + options + " --config - <<'" +
            kConfigEnd + "'\n";
    line += "url = " + configQuoted(QString::fromStdU16String(record.urlAddress)) + '\n';
    if (!record.userName.empty()) {
        const auto user =
            withPasswords ? record.userName + u":" + record.password : record.userName;
        line += "user = " + configQuoted(QString::fromStdU16String(user)) + '\n';
    }
    return line + kConfigEnd + '\n';
}

QByteArray oneLine(QByteArray text)
{
    return text.replace('\n', ' ').replace('\r', ' ');
}

// What the script was written without, in its words: the placeholders in the step say where.
QByteArray leftOutText(const LeftOutSecrets& left)
{
    QByteArrayList parts;
    if (left.password)
        parts += "the password (curl asks for it)";
    if (left.addressPassword)
        parts += "the address's password";
    for (const auto& field : left.fields)
        parts += "form field \"" + QString::fromStdU16String(field).toUtf8() + '"';
    for (const auto& line : left.headerLines)
        parts += "header line " + QString::fromStdU16String(line).toUtf8();
    return parts.join(", ");
}

// One line a shell prints as it is, whatever it holds.
QByteArray note(QByteArray text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    return "printf '%s\\n' " + shellQuoted(text) + " >&2\n";
}

} // namespace

std::variant<QByteArray, CurlScriptRefusal> curlScript(const RecordedSequence& sequence,
                                                       bool withPasswords)
{
    QByteArray script =
        "#!/bin/sh\n"
        "# The recorded sequence, step by step, as the test run replays it.\n"
        "set -u\n"
        "jar=$(mktemp) && body=$(mktemp) && headers=$(mktemp) || exit 1\n"
        "trap 'rm -f \"$jar\" \"$body\" \"$headers\"' EXIT\n"
        "# Cookies carry from step to step; only http and https are sent, redirects are\n"
        "# followed. Each step prints its final status and address; the first step curl cannot\n"
        "# send stops the script with curl's exit status; a step that cannot be sent as\n"
        "# recorded is left out and the script ends with status 1.\n"
        "unsent=0\n"
        "step() {\n"
        "    number=$1\n"
        "    shift\n"
        "    curl --silent --show-error --globoff --proto =http,https --proto-redir =http,https "
        "\\\n"
        "        --location --max-redirs 20 --cookie \"$jar\" --cookie-jar \"$jar\" \\\n"
        "        --output /dev/null --write-out '%{http_code} %{url_effective}\\n' \"$@\" || {\n"
        "        status=$?\n"
        "        printf 'step %s failed\\n' \"$number\" >&2\n"
        "        exit \"$status\"\n"
        "    }\n"
        "}\n";
    std::size_t number = 0;
    for (const auto& shared : sequence) {
        ++number;
        std::optional<UrlRecord> stripped;
        const UrlRecord* record =
            withPasswords ? shared.get() : &stripped.emplace(withoutSecrets(*shared));
        if (record->userName.find(u':') != std::u16string::npos)
            return CurlScriptRefusal{static_cast<int>(number)};
        QByteArray title = QByteArray::number(qulonglong(number)) + ". " +
                           (record->method == HttpMethod::Post ? "POST" : "GET");
        if (!record->displayName.empty())
            title += ' ' + QString::fromStdU16String(record->displayName).toUtf8();
        script += "\n# " + oneLine(title) + '\n';
        if (const auto left = leftOutText(record->leftOut); !left.isEmpty())
            script += "# left out: " + oneLine(left) + '\n';
        if (const auto type = bodyKeptWhole(*record); !withPasswords && !type.empty())
            script += "# its body (" + oneLine(QString::fromStdU16String(type).toUtf8()) +
                      ") is kept whole: it may hold secrets\n";
        const QString fault = headerLinesFault(QString::fromStdU16String(record->headers));
        if (!fault.isEmpty()) {
            script += note("step " + QByteArray::number(qulonglong(number)) +
                           " not sent: " + fault.toUtf8()) +
                      "unsent=1\n";
            continue;
        }
        script += command(number, *record, withPasswords);
    }
    // As the test run: a step that could not be sent as recorded did not pass.
    return script + "exit \"$unsent\"\n";
}

} // namespace waytrace
