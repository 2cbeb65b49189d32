#pragma once

#include <QByteArray>

#include <functional>
#include <memory>

struct z_stream_s;

namespace waytrace {

// Undoes an answer's Content-Encoding as its pieces arrive (gzip and deflate, the encodings the
// test run offers), and tells whether the encoded stream came to its end: a compressed answer
// cut short decodes without complaint as far as it goes.
class ContentDecoding
{
public:
    // `encoding` as the answer's Content-Encoding header gives it; any but gzip and deflate: as
    // is.
    explicit ContentDecoding(const QByteArray& encoding);
    ~ContentDecoding();
    ContentDecoding(const ContentDecoding&) = delete;
    ContentDecoding& operator=(const ContentDecoding&) = delete;

    // Hands the decoded bytes of the next piece to `sink`, a little at a time however much a
    // piece inflates to; nothing once the stream ended or failed.
    using Sink = std::function<void(const QByteArray& decoded)>;
    void decode(const QByteArray& piece, const Sink& sink);
    // Whether the stream came whole: always for an answer sent as is.
    [[nodiscard]] bool whole() const;
    // Why it cannot be read, in English; empty while it can.
    [[nodiscard]] const QByteArray& fault() const { return fault_; }

private:
    bool restartRaw();

    std::unique_ptr<z_stream_s> stream_; // none: as is
    bool ended_ = false;
    bool deflate_ = false; // may be a raw deflate stream, as some servers send
    bool started_ = false; // some output came
    bool fed_ = false;     // some input came
    QByteArray fault_;
    QByteArray consumed_; // the input so far, while a raw restart may still be needed
};

} // namespace waytrace
