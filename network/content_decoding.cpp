#include "content_decoding.h"

#include <QByteArrayList>

#include <zlib.h>

#include <algorithm>
#include <utility>

namespace waytrace {

namespace {

// zlib's window bits: 32 more reads a zlib or a gzip header, negative reads raw deflate.
constexpr int kZlibOrGzip = 15 + 32;
constexpr int kRawDeflate = -15;
constexpr qsizetype kOutChunk = qsizetype{64} * 1024;

} // namespace

// One gzip or deflate layer.
class ContentDecoding::Stage
{
public:
    explicit Stage(bool deflate) : deflate_(deflate)
    {
        if (inflateInit2(&stream_, kZlibOrGzip) != Z_OK)
            fault_ = "the decompressor could not start";
    }
    ~Stage()
    {
        if (fault_.isEmpty())
            inflateEnd(&stream_);
    }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    // Stops between chunks once `stop` says so: a later layer gave up.
    void decode(const QByteArray& piece, const Sink& sink, const std::function<bool()>& stop);
    [[nodiscard]] bool whole() const { return fault_.isEmpty() && (ended_ || !fed_); }
    [[nodiscard]] const QByteArray& fault() const { return fault_; }

private:
    bool restartRaw()
    {
        // "deflate" is meant to be zlib's format, yet some servers send the raw stream.
        deflate_ = false;
        inflateEnd(&stream_);
        stream_ = {};
        return inflateInit2(&stream_, kRawDeflate) == Z_OK;
    }

    z_stream stream_ = {};
    bool ended_ = false;
    bool deflate_ = false; // may be a raw deflate stream, as some servers send
    bool started_ = false; // some output came
    bool fed_ = false;     // some input came
    QByteArray fault_;
    QByteArray consumed_; // the input so far, while a raw restart may still be needed
};

void ContentDecoding::Stage::decode(const QByteArray& piece, const Sink& sink,
                                    const std::function<bool()>& stop)
{
    if (ended_ || !fault_.isEmpty() || piece.isEmpty())
        return;
    fed_ = true;
    if (deflate_ && !started_)
        consumed_ += piece;
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.constData()));
    stream_.avail_in = static_cast<uInt>(piece.size());
    QByteArray out(kOutChunk, Qt::Uninitialized);
    while (!ended_) {
        stream_.next_out = reinterpret_cast<Bytef*>(out.data());
        stream_.avail_out = static_cast<uInt>(kOutChunk);
        const int status = inflate(&stream_, Z_NO_FLUSH);
        const auto produced = kOutChunk - static_cast<qsizetype>(stream_.avail_out);
        if (status == Z_DATA_ERROR && deflate_ && !started_) {
            const QByteArray again = std::exchange(consumed_, {});
            if (!restartRaw()) {
                fault_ = "the decompressor could not start";
                return;
            }
            decode(again, sink, stop);
            return;
        }
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            fault_ = "the compressed answer is damaged";
            inflateEnd(&stream_);
            return;
        }
        if (produced > 0) {
            started_ = true;
            consumed_.clear();
            sink(out.left(produced));
            if (stop())
                return;
        }
        ended_ = status == Z_STREAM_END;
        // All input taken and room left over: the rest needs the next piece.
        if (stream_.avail_in == 0 && stream_.avail_out > 0)
            break;
    }
}

ContentDecoding::ContentDecoding(const QByteArray& encoding)
{
    // Listed in the order they were applied: the last is undone first. No page needs more
    // layers than this; a stack of them is a bomb's shape.
    constexpr qsizetype kMostLayers = 3;
    const auto codings = encoding.split(',');
    if (codings.size() > kMostLayers) {
        fault_ = "the answer is encoded in more layers than a page is";
        return;
    }
    for (auto coding = codings.rbegin(); coding != codings.rend(); ++coding) {
        const QByteArray name = coding->trimmed().toLower();
        if (name.isEmpty() || name == "identity")
            continue;
        if (name != "gzip" && name != "x-gzip" && name != "deflate") {
            fault_ = "the answer is encoded as \"" + name + "\", which the run does not read";
            return;
        }
        stages_.push_back(std::make_unique<Stage>(name == "deflate"));
    }
}

ContentDecoding::~ContentDecoding() = default;

void ContentDecoding::decode(const QByteArray& piece, const Sink& sink)
{
    if (!fault_.isEmpty() || piece.isEmpty())
        return;
    std::function<void(std::size_t, const QByteArray&)> feed = [&](std::size_t stage,
                                                                   const QByteArray& bytes) {
        if (!fault_.isEmpty())
            return;
        // Every layer's output counts: an inner layer can inflate without end while the last
        // gives little.
        if (stage > 0)
            decoded_ += bytes.size();
        if (decoded_ > kMostDecoded) {
            fault_ = "answer too large: it inflates to more than " +
                     QByteArray::number(decoded_ >> 20) + " MB";
            return;
        }
        if (stage == stages_.size()) {
            sink(bytes);
            return;
        }
        stages_[stage]->decode(
            bytes, [&](const QByteArray& out) { feed(stage + 1, out); },
            [this] { return !fault_.isEmpty(); });
        if (fault_.isEmpty())
            fault_ = stages_[stage]->fault();
    };
    feed(0, piece);
}

bool ContentDecoding::whole() const
{
    // An empty body (a 204, or Content-Length: 0) has no stream to end.
    return fault_.isEmpty() && std::all_of(stages_.begin(), stages_.end(),
                                           [](const auto& stage) { return stage->whole(); });
}

} // namespace waytrace
