// libFuzzer target for gzip bodies. The input (after two choice bytes) is decoded as a body from
// the wire under a chosen maximum, which no result may pass; then it is compressed by zlib and
// decoded again, which must give it back, its first maxOutput bytes when cut, and a prefix of it
// when only the start of the compressed body arrived.
#include "fuzz_support.h"
#include "http/gzip_body.h"
#include "tests/support/gzip_bytes.h"

#include <string>

namespace {

bool isPrefix(const DataBuffer& out, const uint8_t* data, size_t size) {
    return out.getSize() <= size &&
           (out.getSize() == 0 || std::memcmp(out.getData(), data, out.getSize()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    uint8_t choice = in.take();
    uint8_t cutAt = in.take();
    const uint8_t* payload = in.rest();
    size_t n = in.restSize();

    GunzipLimits limits;
    limits.maxOutput = (choice & 1) ? 64u << 10 : 1u + cutAt;
    limits.cutAtMax = (choice & 2) != 0;
    limits.inputIsPrefix = (choice & 4) != 0;
    DataBuffer out;
    GunzipResult result = gunzipBody(payload, static_cast<uint32_t>(n), out, limits, nullptr);
    fuzz::check(out.getSize() <= limits.maxOutput);
    if (result == GunzipResult::kFailed || result == GunzipResult::kTooLarge)
        fuzz::check(out.getSize() == 0);
    if (result == GunzipResult::kCut)
        fuzz::check(limits.cutAtMax && out.getSize() == limits.maxOutput);

    std::string packed = test_support::gzipBytes(payload, n, (choice >> 4) % 10);
    fuzz::check(!packed.empty());
    const auto* packedBytes = reinterpret_cast<const uint8_t*>(packed.data());
    limits.inputIsPrefix = false;
    out.clear();
    result = gunzipBody(packedBytes, static_cast<uint32_t>(packed.size()), out, limits, nullptr);
    bool over = n > limits.maxOutput;
    if (!over)
        fuzz::check(result == GunzipResult::kDecoded && fuzz::sameBytes(out, payload, n));
    else if (limits.cutAtMax)
        fuzz::check(result == GunzipResult::kCut && fuzz::sameBytes(out, payload, limits.maxOutput));
    else
        fuzz::check(result == GunzipResult::kTooLarge);

    // The reader cut the compressed body: what decodes is the payload's start.
    limits.inputIsPrefix = true;
    limits.cutAtMax = true;
    size_t kept = packed.size() * cutAt / 256;
    out.clear();
    result = gunzipBody(packedBytes, static_cast<uint32_t>(kept), out, limits, nullptr);
    if (result != GunzipResult::kFailed)
        fuzz::check(isPrefix(out, payload, n));
    return 0;
}
