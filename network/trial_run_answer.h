#pragma once

// The URL the test run is running: where it stands in its redirects, and its answer as read so
// far, searched for the step's keywords as it arrives.

#include "answer_reading.h"
#include "content_decoding.h"
#include "trial_run.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>

#include <memory>
#include <optional>

namespace waytrace {

struct TrialRun::Answer
{
    Answer(const std::u16string& required, const std::u16string& forbidden)
        : requiredKeywords(QString::fromStdU16String(required)),
          forbiddenKeywords(QString::fromStdU16String(forbidden))
    {
    }

    bool post = false; // the request asked now
    int redirects = 0;
    bool timedOut = false;
    std::optional<CertificateProblem> certificateProblem; // why the certificate was refused
    TrialRunExchange exchange;
    std::vector<TrialRunExchange> hops; // the redirected requests before this one
    qint64 hopsMilliseconds = 0;        // the time they took
    qint64 size = 0;

    QString requiredKeywords;
    QString forbiddenKeywords;
    QByteArray head;                          // the first bytes, until the charset is known
    std::optional<ResponseJudge> judge;       // from then on
    std::unique_ptr<QTextDecoder> decoder;    // none where the bytes are searched as they come
    std::unique_ptr<ContentDecoding> content; // of the reply being read

    [[nodiscard]] bool searching() const
    {
        return judge ? judge->searching()
                     : !(requiredKeywords.isEmpty() && forbiddenKeywords.isEmpty());
    }

    void search(const QByteArray& bytes)
    {
        if (!decoder) {
            judge->feed({bytes.constData(), static_cast<std::size_t>(bytes.size())});
            return;
        }
        const QString text = decoder->toUnicode(bytes);
        judge->feed({reinterpret_cast<const char*>(text.utf16()),
                     static_cast<std::size_t>(text.size()) * sizeof(char16_t)});
    }

    // UTF-8, the most common by far, is searched in its own bytes: they match exactly where its
    // characters do. Any other charset is decoded piece by piece.
    void startSearching(const QByteArray& contentType)
    {
        constexpr int kUtf8Mib = 106;
        auto* codec = declaredCodec(contentType, head);
        if (codec->mibEnum() == kUtf8Mib) {
            judge.emplace(requiredKeywords.toUtf8().toStdString(),
                          forbiddenKeywords.toUtf8().toStdString());
        } else {
            decoder.reset(codec->makeDecoder());
            judge.emplace(unitBytes(requiredKeywords.toStdU16String()),
                          unitBytes(forbiddenKeywords.toStdU16String()), sizeof(char16_t));
        }
        search(head);
        head.clear();
    }

    [[nodiscard]] ConditionVerdict verdict(int status, std::optional<CodeCondition> condition,
                                           int code) const
    {
        return judge ? judge->verdict(status, condition, code)
                     : ResponseJudge({}, {}).verdict(status, condition, code);
    }
};

} // namespace waytrace
