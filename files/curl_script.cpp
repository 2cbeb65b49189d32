#include "curl_script.h"

#include "common/header_lines.h"
#include "core/recording_rule.h"
#include "core/secrets.h"

#include <QByteArrayList>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

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
// NUL included, where a quoted string could not carry it. A leading "-" is written so too, or
// printf takes the format for an option (every multipart body starts with "--").
QByteArray printfFormat(const std::string& bytes)
{
    QByteArray format;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            format += "\\\\";
        else if (byte == '%')
            format += "%%";
        else if (byte < 0x20 || byte >= 0x7f || byte == '\'' || (format.isEmpty() && byte == '-'))
            format += '\\' + QByteArray::number(byte, 8).rightJustified(3, '0');
        else
            format += c;
    }
    return '\'' + format + '\'';
}

// No line of a step's configuration on curl's input is only this: each starts with an
// option's name.
constexpr char kConfigEnd[] = "WAYTRACE_STEP";

// Shell commands that print `pieces` with a withheld value the person gives between each two,
// as its spot writes it; `literal` turns a piece into a printf format.
QByteArray spliced(const std::vector<std::string>& pieces, const std::vector<WithheldSpot>& spots,
                   const std::function<QByteArray(const std::string&)>& literal)
{
    QByteArray commands = "printf " + literal(pieces.front());
    for (std::size_t i = 0; i < spots.size(); ++i)
        commands += "; withheld " + QByteArray::fromStdString(spots[i].variable) +
                    (spots[i].percentEncoded ? " encoded" : " raw") + "; printf " +
                    literal(pieces[i + 1]);
    return commands;
}

// `text` cut around each spot.
template <typename Text>
std::vector<Text> cutAt(const Text& text, const std::vector<WithheldSpot>& spots)
{
    std::vector<Text> pieces;
    std::size_t from = 0;
    for (const auto& spot : spots) {
        pieces.push_back(text.substr(from, spot.at - from));
        from = spot.at + spot.length;
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

QByteArray command(std::size_t number, const UrlRecord& record, bool withPasswords)
{
    QByteArray line;
    QByteArray options;
    const bool post = record.method == HttpMethod::Post;
    if (post) {
        const auto spots = withheldSpots(record, number - 1, false);
        line += spots.empty() ? "printf " + printfFormat(postDataBytes(record.postBody))
                              : "{ " +
                                    spliced(cutAt(postDataBytes(record.postBody), spots), spots,
                                            printfFormat) +
                                    "; }";
        line += " >\"$body\"\n";
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
    const auto addressSpots = withheldSpots(record, number - 1, true);
    std::string passwordVariable;
    for (const auto& value : withheldValues(record, number - 1))
        if (value.kind == WithheldValue::Kind::Password)
            passwordVariable = value.variable;
    if (addressSpots.empty() && passwordVariable.empty()) {
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
    // What was withheld goes into curl's configuration as the script runs, through its input:
    // never an argument that the process list shows.
    const auto configText = [](const std::string& text) {
        const QByteArray quoted =
            configQuoted(QString::fromUtf8(text.data(), qsizetype(text.size())));
        return printfFormat(quoted.mid(1, quoted.size() - 2).toStdString());
    };
    std::vector<std::string> address;
    for (const auto& piece : cutAt(record.urlAddress, addressSpots))
        address.push_back(QString::fromStdU16String(piece).toStdString());
    line += "{ printf 'url = \"'; " + spliced(address, addressSpots, configText) + "; echo '\"'";
    if (!record.userName.empty()) {
        line += "; printf 'user = \"'; printf " +
                configText(QString::fromStdU16String(record.userName).toStdString() +
                           (passwordVariable.empty() ? "" : ":"));
        if (!passwordVariable.empty())
            line += "; withheld " + QByteArray::fromStdString(passwordVariable) + " config";
        line += "; echo '\"'";
    }
    // A pipeline's last command runs in a shell of its own: its exit ends only that one.
    return line + "; } | step " + QByteArray::number(qulonglong(number)) + options +
           " --config - || exit \"$?\"\n";
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
        parts += "the basic-authentication password";
    if (left.addressPassword)
        parts += "the address's password";
    for (const auto& field : left.fields)
        parts += "form field \"" + QString::fromStdU16String(field).toUtf8() + '"';
    for (const auto& line : left.headerLines)
        parts += "header line " + QString::fromStdU16String(line).toUtf8();
    return parts.join(", ");
}

// Where the script was written without passwords: each withheld value comes from a variable
// of the environment, as its step sends it; all are there before anything is sent.
constexpr char kWithheld[] =
    "# What it was written without comes from the environment, one variable a value.\n"
    "withheld() {\n"
    "    eval \"value=\\${$1}\"\n"
    "    case $2 in\n"
    "    encoded)\n"
    "        printf '%s' \"$value\" | od -An -v -tx1 | tr 'a-f ' 'A-F\\n' |\n"
    "            while read -r byte; do\n"
    "                case $byte in\n"
    "                '') ;;\n"
    "                3[0-9] | 4[1-9A-F] | 5[0-9A] | 6[1-9A-F] | 7[0-9A] | 2D | 2E | 5F | 7E)\n"
    "                    printf \"\\\\$(printf '%03o' \"0x$byte\")\" ;;\n"
    "                *) printf '%%%s' \"$byte\" ;;\n"
    "                esac\n"
    "            done ;;\n"
    "    config) printf '%s' \"$value\" | sed -e 's/[\\\\\"]/\\\\&/g' ;;\n"
    "    *) printf '%s' \"$value\" ;;\n"
    "    esac\n"
    "}\n"
    "missing=\n"
    "for variable in ";
constexpr char kWithheldCheck[] =
    "; do\n"
    "    eval \"[ -n \\\"\\${$variable+set}\\\" ]\" || missing=\"$missing $variable\"\n"
    "done\n"
    "[ -z \"$missing\" ] || {\n"
    "    printf 'set the values this script was written without:%s\\n' \"$missing\" >&2\n"
    "    exit 2\n"
    "}\n";

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
    QByteArray steps;
    QByteArrayList variables;
    std::size_t number = 0;
    for (const auto& shared : sequence) {
        ++number;
        std::optional<UrlRecord> stripped;
        const UrlRecord* record =
            withPasswords ? shared.get() : &stripped.emplace(withoutSecrets(*shared));
        if (record->userName.find(u':') != std::u16string::npos)
            return CurlScriptRefusal{static_cast<int>(number)};
        for (const auto& value : withheldValues(*record, number - 1))
            variables += QByteArray::fromStdString(value.variable);
        QByteArray title = QByteArray::number(qulonglong(number)) + ". " +
                           (record->method == HttpMethod::Post ? "POST" : "GET");
        if (!record->displayName.empty())
            title += ' ' + QString::fromStdU16String(record->displayName).toUtf8();
        steps += "\n# " + oneLine(title) + '\n';
        if (const auto left = leftOutText(record->leftOut); !left.isEmpty())
            steps += "# left out: " + oneLine(left) + '\n';
        if (const auto type = bodyKeptWhole(*record); !withPasswords && !type.empty())
            steps += "# its body (" + oneLine(QString::fromStdU16String(type).toUtf8()) +
                     ") is kept whole: it may hold secrets\n";
        const QString fault = headerLinesFault(QString::fromStdU16String(record->headers));
        if (!fault.isEmpty()) {
            steps += note("step " + QByteArray::number(qulonglong(number)) +
                          " not sent: " + fault.toUtf8()) +
                     "unsent=1\n";
            continue;
        }
        steps += command(number, *record, withPasswords);
    }
    if (!variables.isEmpty())
        script += kWithheld + variables.join(' ') + kWithheldCheck;
    // As the test run: a step that could not be sent as recorded did not pass.
    return script + steps + "exit \"$unsent\"\n";
}

} // namespace waytrace
