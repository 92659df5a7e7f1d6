// libFuzzer target for chunked bodies. The input (after a settings byte and four piece sizes) is
// read twice as the body of a chunked response: as sent, where the reads must keep the bounds and
// agree whatever the pieces, and chunk-encoded by us in chunks of the piece sizes (with an
// extension and a trailer), which must decode to exactly the input, or its start when cut.
#include "response_reading.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

const char kChunkedHeader[] = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

std::string chunkEncode(const uint8_t* data, size_t size, const std::vector<uint32_t>& sizes) {
    std::string wire = kChunkedHeader;
    char line[32];
    for (size_t at = 0, i = 0; at < size; ++i) {
        size_t n = std::min<size_t>(sizes[i % sizes.size()], size - at);
        std::snprintf(line, sizeof line, i % 2 ? "%zx\r\n" : "%zX;ext=\"a;b\"\r\n", n);
        wire += line;
        wire.append(reinterpret_cast<const char*>(data) + at, n);
        wire += "\r\n";
        at += n;
    }
    return wire + "0\r\nExpires: never\r\n\r\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    HttpControl& control = fuzz::controlFromChoice(in.take());
    std::vector<uint32_t> pieces = fuzz::piecesFrom(in, 4);

    std::string wire = kChunkedHeader;
    wire.append(reinterpret_cast<const char*>(in.rest()), in.restSize());
    const auto* bytes = reinterpret_cast<const uint8_t*>(wire.data());
    fuzz::ResponseRead whole;
    fuzz::readResponse(bytes, wire.size(), {}, control, whole);
    fuzz::ResponseRead split;
    fuzz::readResponse(bytes, wire.size(), pieces, control, split);
    fuzz::checkResponse(whole, whole, control);
    fuzz::checkResponse(split, whole, control);

    std::string encoded = chunkEncode(in.rest(), in.restSize(), pieces);
    fuzz::ResponseRead decoded;
    fuzz::readResponse(reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size(), pieces, control,
                       decoded);
    uint32_t limit = fuzz::bodyLimitOf(control);
    bool over = in.restSize() > limit;
    fuzz::check(decoded.status == 200);
    fuzz::check(decoded.bodyOk == (!over || control.cutOversizeBody));
    if (decoded.bodyOk)
        fuzz::check(fuzz::sameBytes(decoded.body, in.rest(), over ? limit : in.restSize()));
    return 0;
}
