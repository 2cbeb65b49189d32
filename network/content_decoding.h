#pragma once

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

namespace waytrace {

// Undoes an answer's Content-Encoding as its pieces arrive, as a browser does: each coding the
// header lists (gzip and deflate, the ones the test run offers), the last applied undone first.
// An answer in a coding it cannot undo, or one that inflates past all reason, is never read as
// if it were plain. Tells whether the encoded stream came to its end: a compressed answer cut
// short decodes without complaint as far as it goes.
class ContentDecoding
{
public:
    // `encoding` as the answer's Content-Encoding header gives it.
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

    // What no page inflates to: beyond it, the answer is too large to be one (a bomb).
    static constexpr qint64 kMostDecoded = qint64{1} << 30;

    class Stage;

private:
    std::vector<std::unique_ptr<Stage>> stages_; // in the order they are undone
    QByteArray fault_;
    qint64 decoded_ = 0;
};

} // namespace waytrace
