#include "content_decoding.h"

#include <zlib.h>

#include <utility>

namespace waytrace {

namespace {

// zlib's window bits: 32 more reads a zlib or a gzip header, negative reads raw deflate.
constexpr int kZlibOrGzip = 15 + 32;
constexpr int kRawDeflate = -15;
constexpr qsizetype kOutChunk = 64 * 1024;

} // namespace

ContentDecoding::ContentDecoding(const QByteArray& encoding)
{
    const QByteArray name = encoding.trimmed().toLower();
    if (name.isEmpty() || name == "identity")
        return;
    // Any other name is read as is, as the network layer did: servers label plain answers with
    // names of their own ("UTF-8", "none").
    if (name != "gzip" && name != "x-gzip" && name != "deflate")
        return;
    stream_ = std::make_unique<z_stream_s>();
    deflate_ = name == "deflate";
    if (inflateInit2(stream_.get(), kZlibOrGzip) != Z_OK)
        fault_ = "the decompressor could not start";
}

ContentDecoding::~ContentDecoding()
{
    if (stream_ && fault_.isEmpty())
        inflateEnd(stream_.get());
}

bool ContentDecoding::restartRaw()
{
    // "deflate" is meant to be zlib's format, yet some servers send the raw stream.
    deflate_ = false;
    inflateEnd(stream_.get());
    *stream_ = {};
    return inflateInit2(stream_.get(), kRawDeflate) == Z_OK;
}

void ContentDecoding::decode(const QByteArray& piece, const Sink& sink)
{
    if (!stream_) {
        if (!piece.isEmpty())
            sink(piece);
        return;
    }
    if (ended_ || !fault_.isEmpty() || piece.isEmpty())
        return;
    fed_ = true;
    if (deflate_ && !started_)
        consumed_ += piece;
    stream_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.constData()));
    stream_->avail_in = static_cast<uInt>(piece.size());
    QByteArray out(kOutChunk, Qt::Uninitialized);
    while (!ended_) {
        stream_->next_out = reinterpret_cast<Bytef*>(out.data());
        stream_->avail_out = static_cast<uInt>(kOutChunk);
        const int status = inflate(stream_.get(), Z_NO_FLUSH);
        const auto produced = kOutChunk - static_cast<qsizetype>(stream_->avail_out);
        if (status == Z_DATA_ERROR && deflate_ && !started_) {
            const QByteArray again = std::exchange(consumed_, {});
            if (!restartRaw()) {
                fault_ = "the decompressor could not start";
                return;
            }
            decode(again, sink);
            return;
        }
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            fault_ = "the compressed answer is damaged";
            inflateEnd(stream_.get());
            return;
        }
        if (produced > 0) {
            started_ = true;
            consumed_.clear();
            sink(out.left(produced));
        }
        ended_ = status == Z_STREAM_END;
        // All input taken and room left over: the rest needs the next piece.
        if (stream_->avail_in == 0 && stream_->avail_out > 0)
            break;
    }
}

bool ContentDecoding::whole() const
{
    // An empty body (a 204, or Content-Length: 0) has no stream to end.
    return !stream_ || (fault_.isEmpty() && (ended_ || !fed_));
}

} // namespace waytrace
