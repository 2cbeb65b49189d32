#include "curl_script.h"

#include "common/header_lines.h"
#include "core/recording_rule.h"

#include <QString>

namespace waytrace {

namespace {

// Single-quoted for the shell: nothing inside is special but the quote itself.
QByteArray shellQuoted(const QByteArray& text)
{
    return '\'' + QByteArray(text).replace('\'', "'\\''") + '\'';
}

QByteArray shellQuoted(const std::u16string& text)
{
    return shellQuoted(QString::fromStdU16String(text).toUtf8());
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

QByteArray command(const UrlRecord& record, bool withPasswords)
{
    QByteArray line;
    const bool post = record.method == HttpMethod::Post;
    if (post)
        line += "printf " + printfFormat(postDataBytes(record.postBody)) + " | ";
    line += "step";
    if (post)
        line += " --data-binary @-";
    for (const auto& [name, value] : parseHeaderLines(QString::fromStdU16String(record.headers))) {
        if (headerUse(name) == HeaderUse::Ignored || (!post && name.toLower() == "content-type"))
            continue;
        line += " --header " + shellQuoted(name + ": " + value);
    }
    if (!record.userName.empty()) {
        const auto user =
            withPasswords ? record.userName + u":" + record.password : record.userName;
        line += " --user " + shellQuoted(user);
    }
    return line + ' ' + shellQuoted(record.urlAddress) + '\n';
}

} // namespace

QByteArray curlScript(const RecordedSequence& sequence, bool withPasswords)
{
    QByteArray script =
        "#!/bin/sh\n"
        "# The recorded sequence, step by step, as the test run replays it.\n"
        "set -u\n"
        "jar=$(mktemp) || exit 1\n"
        "trap 'rm -f \"$jar\"' EXIT\n"
        "# Cookies carry from step to step; redirects are followed, never to another scheme\n"
        "# than http or https. Each step prints its final status and address.\n"
        "step() {\n"
        "    curl --silent --show-error --location --max-redirs 20 --proto-redir =http,https \\\n"
        "        --cookie \"$jar\" --cookie-jar \"$jar\" --output /dev/null \\\n"
        "        --write-out '%{http_code} %{url_effective}\\n' \"$@\"\n"
        "}\n";
    std::size_t number = 0;
    for (const auto& record : sequence) {
        ++number;
        QByteArray title = QByteArray::number(qulonglong(number)) + ". " +
                           (record->method == HttpMethod::Post ? "POST" : "GET");
        if (!record->displayName.empty())
            title += ' ' + QString::fromStdU16String(record->displayName).toUtf8();
        script += "\n# " + title.replace('\n', ' ').replace('\r', ' ') + '\n';
        const QString fault = headerLinesFault(QString::fromStdU16String(record->headers));
        if (!fault.isEmpty()) {
            QByteArray note =
                "step " + QByteArray::number(qulonglong(number)) + " not sent: " + fault.toUtf8();
            for (char& c : note)
                if (static_cast<unsigned char>(c) < 0x20)
                    c = '?'; // the note stays one line a shell can quote
            script += "echo " + shellQuoted(note) + " >&2\n";
            continue;
        }
        script += command(*record, withPasswords);
    }
    return script;
}

} // namespace waytrace
