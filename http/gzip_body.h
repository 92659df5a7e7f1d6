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
    kCut,      // the plain bytes passed the maximum; `out` holds the first maxOutput of them
};

struct GunzipLimits {
    uint32_t maxOutput = 0;
    // Plain bytes past maxOutput are dropped (kCut) instead of failing (kTooLarge).
    bool cutAtMax = false;
    // The data is only the start of a gzip body, cut by the reader: it has no trailer, and the
    // stream ending early gives the bytes decoded so far.
    bool inputIsPrefix = false;
};

GunzipResult gunzipBody(const unsigned char* data, uint32_t size, DataBuffer& out, const GunzipLimits& limits,
                        LogBase* log);
