// Decoding of gzip bodies (one RFC 1952 member, raw deflate through zlib). The output never grows
// past the caller's maximum, whatever the stream's own size field claims.
#pragma once

#include <cstdint>

class DataBuffer;
class LogBase;

enum class GunzipResult {
    kDecoded,  // `out` holds the plain bytes
    kFailed,   // not gzip data, or damaged; `out` is empty
    kTooLarge, // the plain bytes would pass the maximum; `out` is empty
};

GunzipResult gunzipBody(const unsigned char* data, uint32_t size, DataBuffer& out, uint32_t maxOutput,
                        LogBase* log);
