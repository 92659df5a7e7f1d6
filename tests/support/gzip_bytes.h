// Bytes in the gzip format, as a server sends a body with Content-Encoding: gzip.
#pragma once

#include <zlib.h>

#include <string>

namespace test_support {

// `level` is zlib's, from 0 (stored) to 9; an empty result when zlib fails.
inline std::string gzipBytes(const void* data, size_t size, int level = Z_DEFAULT_COMPRESSION) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::string();
    std::string out(deflateBound(&stream, size) + 32, '\0');
    stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.resize(done ? stream.total_out : 0);
    deflateEnd(&stream);
    return out;
}

} // namespace test_support
