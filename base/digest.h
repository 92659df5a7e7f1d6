// The digests the library keeps: MD5 (RFC 1321, through OpenSSL) and CRC-32 (zlib's, the ZIP
// CRC). The hash map spreads its keys with them and the disk caches name and check their files.
#pragma once

#include <cstdint>

class StringBuffer;

namespace Digest {

constexpr int kMd5Size = 16;

// False only when the digest library fails.
bool md5(const void* data, uint32_t size, unsigned char out[kMd5Size]);
uint32_t crc32(const void* data, uint32_t size);
// The CRC-32 of a terminated text; a null text counts as empty.
uint32_t crc32Text(const char* text);
// Appends the 32 lower-case hexadecimal digits of a digest.
void appendHex(const unsigned char digest[kMd5Size], StringBuffer& out);

} // namespace Digest
