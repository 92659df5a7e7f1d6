#include "base/zelcora_bzip2.h"

#include "base/data_buffer.h"

#include <bzlib.h>

namespace {

constexpr int kBlockSize = 3;
constexpr int kVerbosity = 0;
constexpr int kDefaultWorkFactor = 0;
constexpr int kFastDecompression = 0;
// Room beyond the stored length, so that a stream slightly longer than announced still fits.
constexpr uint32_t kDecompressSlack = 20;

void putLittleEndian(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getLittleEndian(const unsigned char* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

bool ZelcoraBzip2::Compress(const DataBuffer& in, DataBuffer& out) {
    out.clear();
    const uint32_t n = in.getSize();
    if (n == 0)
        return true;

    // 1. Reserve the input size plus bzip2's worst-case growth and the header.
    const uint64_t reserve = uint64_t{n} + n / 99 + 800;
    if (reserve > UINT32_MAX || !out.ensureCapacity(static_cast<uint32_t>(reserve)))
        return false;

    // 2. Header: magic and uncompressed length.
    unsigned char* block = out.getData();
    putLittleEndian(block, kMagic);
    putLittleEndian(block + 4, n);

    // 3. The bzip2 stream fills the rest.
    unsigned int compressedLength = static_cast<unsigned int>(reserve - kHeaderSize);
    int rc = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(block + kHeaderSize), &compressedLength,
                                      const_cast<char*>(reinterpret_cast<const char*>(in.getData())), n,
                                      kBlockSize, kVerbosity, kDefaultWorkFactor);
    if (rc != BZ_OK)
        return false;
    out.setSize(kHeaderSize + compressedLength);
    return true;
}

bool ZelcoraBzip2::Decompress(const DataBuffer& in, DataBuffer& out) {
    const uint32_t n = in.getSize();
    if (n == 0) {
        out.clear();
        return true;
    }

    // 1. Not a container at all: leave the output alone.
    const unsigned char* data = in.getData();
    if (n < 4 || getLittleEndian(data) != kMagic)
        return false;

    // 2. From here on every failure leaves the output empty.
    out.clear();
    if (n < kHeaderSize)
        return false;
    const uint32_t storedLength = getLittleEndian(data + 4);
    if (storedLength > kMaxDecompressedSize)
        return false;
    const uint32_t capacity = storedLength + kDecompressSlack;
    if (!out.ensureCapacity(capacity))
        return false;

    // 3. One call decodes the whole stream into the reserved block.
    unsigned int produced = capacity;
    int rc = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.getData()), &produced,
                                        const_cast<char*>(reinterpret_cast<const char*>(data + kHeaderSize)),
                                        n - kHeaderSize, kFastDecompression, kVerbosity);
    if (rc != BZ_OK)
        return false;
    out.setSize(produced);
    return true;
}
