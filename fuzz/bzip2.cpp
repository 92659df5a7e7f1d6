// libFuzzer target for the bzip2 container of the embedded tables. The input is opened as a
// container, which must answer within about its stored length and never above kMaxDecompressedSize, and then
// packed into one and opened again, which must give it back unchanged.
#include "base/zelcora_bzip2.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataBuffer in;
    in.append(data, static_cast<uint32_t>(size));
    ZelcoraBzip2 bzip2;
    DataBuffer out;
    if (bzip2.Decompress(in, out) && size >= ZelcoraBzip2::kHeaderSize) {
        uint32_t stored = data[4] | data[5] << 8 | data[6] << 16 | static_cast<uint32_t>(data[7]) << 24;
        // The codec gives a stream slightly longer than announced a few bytes of room, no more.
        fuzz::check(stored <= ZelcoraBzip2::kMaxDecompressedSize && out.getSize() <= stored + 64);
    }

    DataBuffer packed;
    fuzz::check(bzip2.Compress(in, packed));
    DataBuffer unpacked;
    fuzz::check(bzip2.Decompress(packed, unpacked));
    fuzz::check(fuzz::sameBytes(unpacked, in));
    return 0;
}
