// The digests and byte orders the two disk caches share: MD5 names the files and directories a
// URL is kept in, CRC-32 identifies entry keys and checks bodies (both the base library's), and
// every integer in a cache file is little-endian.
#pragma once

#include "base/digest.h"

#include <cstdint>

namespace CacheDigest {

using Digest::appendHex;
using Digest::crc32;
using Digest::crc32Text;
using Digest::kMd5Size;
using Digest::md5;

inline uint16_t readLe16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t readLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void writeLe16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void writeLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace CacheDigest
