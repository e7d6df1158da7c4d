#include "localserver/deflate.h"

#include <zlib.h>

#include <stdexcept>

QByteArray deflateBytes(QByteArrayView data, DeflateFormat format, DeflateEnd end)
{
    // zlib picks the container by the window bits: negative for none, +16 for gzip.
    const int windowBits = format == DeflateFormat::Raw ? -15
        : format == DeflateFormat::Gzip                 ? 15 + 16
                                                        : 15;
    z_stream stream {};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflate: cannot start a stream");
    // The bound covers a finished stream; a full flush adds a few bytes.
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))) + 64, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const bool finish = end == DeflateEnd::Finish;
    const int result = deflate(&stream, finish ? Z_FINISH : Z_FULL_FLUSH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    if (result != (finish ? Z_STREAM_END : Z_OK) || stream.avail_in != 0)
        throw std::runtime_error("deflate: the data did not fit the output");
    return out;
}
