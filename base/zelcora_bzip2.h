// ZelcoraBzip2: the bzip2 container codec. A container is the magic 0xB394A7E1 (little-endian,
// bytes E1 A7 94 B3), the length of the uncompressed bytes (32 bits, little-endian) and one bzip2
// stream made with block size 3. The embedded reference tables are stored this way. The codec
// keeps no state between calls; the caller owns both buffers.
#pragma once

#include "base/zelcora_object.h"

#include <cstdint>

class DataBuffer;

class ZelcoraBzip2 : public ZelcoraObject {
public:
    static constexpr uint32_t kMagic = 0xB394A7E1;
    static constexpr uint32_t kHeaderSize = 8;
    // The largest uncompressed length Decompress accepts. A damaged header could otherwise make
    // it reserve up to 4 GiB; the largest container the program carries is a few dozen KiB.
    static constexpr uint32_t kMaxDecompressedSize = 64u * 1024 * 1024;

    ZelcoraBzip2() = default;

    // Replaces `out` with the container of `in`. Empty input gives empty output. False, with
    // `out` empty, when the input is too large for a 32-bit container or bzip2 fails.
    bool Compress(const DataBuffer& in, DataBuffer& out);

    // Replaces `out` with the bytes the container `in` holds. Empty input gives empty output and
    // true. Input that does not start with the magic answers false and leaves `out` untouched.
    // A damaged container (short header, stored length above kMaxDecompressedSize, a bzip2
    // stream that does not decode within the stored length) answers false with `out` empty.
    bool Decompress(const DataBuffer& in, DataBuffer& out);
};
