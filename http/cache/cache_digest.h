// The digests and byte orders the two disk caches share: MD5 (RFC 1321, through OpenSSL) names
// the files and directories a URL is kept in, CRC-32 (zlib's, the ZIP CRC) identifies entry keys
// and checks bodies, and every integer in a cache file is little-endian.
#pragma once

#include <cstdint>

class StringBuffer;

namespace CacheDigest {

constexpr int kMd5Size = 16;

// False only when the digest library fails.
bool md5(const void* data, uint32_t size, unsigned char out[kMd5Size]);
uint32_t crc32(const void* data, uint32_t size);
uint32_t crc32Text(const char* text);
// Appends the 32 lower-case hexadecimal digits of a digest.
void appendHex(const unsigned char digest[kMd5Size], StringBuffer& out);

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
