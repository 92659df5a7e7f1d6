// One response read from a MemoryStream the way the request engine reads it (header blocks, interim
// answers skipped, then the body), and the properties every such read keeps: nothing beyond the
// bounds of http/limits.h and the settings, and the same outcome however the bytes were cut.
#pragma once

#include "base/data_buffer.h"
#include "fuzz_support.h"
#include "http/http_client.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "http/limits.h"
#include "memory_stream.h"

#include <vector>

namespace fuzz {

struct ResponseRead {
    bool headerOk = false;
    DataBuffer header;
    int status = 0;
    bool bodyOk = false;
    bool cut = false;
    DataBuffer body;
    bool closed = false;
    size_t consumed = 0;
};

// Shared by every run: building the settings' caches each time would cost more than the read.
inline HttpControl& responseControl(int maxContentLength, bool cutOversizeBody) {
    static HttpControl control;
    control.maxContentLength = maxContentLength;
    control.cutOversizeBody = cutOversizeBody;
    return control;
}

inline void readResponse(const uint8_t* wire, size_t size, std::vector<uint32_t> pieces, HttpControl& control,
                         ResponseRead& out) {
    MemoryStream stream(wire, size, std::move(pieces));
    HttpResult result;
    for (int interim = 0; interim < HttpLimits::kMaxInterimResponses; ++interim) {
        out.header.clear();
        out.headerOk = stream.readHeaderBlock(out.header, nullptr, HttpLimits::kMaxHeaderBlock);
        if (!out.headerOk)
            break;
        out.header.appendByte(0);
        result.responseHeader.parse(reinterpret_cast<const char*>(out.header.getData()));
        out.status = result.responseHeader.statusCode;
        if (out.status < 100 || out.status > 199 || out.status == 101)
            break;
    }
    if (out.headerOk && out.status != 0)
        out.bodyOk = HttpClient::readBody(control, stream, out.body, result, out.cut, nullptr);
    out.closed = stream.closed();
    out.consumed = stream.consumed();
}

// The most body the settings let a read keep.
inline uint32_t bodyLimitOf(const HttpControl& control) {
    return control.maxContentLength > 0 ? static_cast<uint32_t>(control.maxContentLength)
                                        : HttpLimits::kMaxBodyBytes;
}

// The bounds of one read, and its sameness with the read of the same bytes in other pieces.
inline void checkResponse(const ResponseRead& read, const ResponseRead& whole, const HttpControl& control) {
    check(read.header.getSize() <= HttpLimits::kMaxHeaderBlock + 1);
    uint32_t limit = bodyLimitOf(control);
    check(read.body.getSize() <= limit);
    check(!read.bodyOk || !read.cut || (read.body.getSize() == limit && read.closed));
    check(read.headerOk == whole.headerOk && read.status == whole.status && read.bodyOk == whole.bodyOk &&
          read.cut == whole.cut && read.closed == whole.closed);
    // Where a kept-alive connection's next response starts.
    check(read.closed || read.consumed == whole.consumed);
    check(sameBytes(read.header, whole.header) && sameBytes(read.body, whole.body));
}

// Settings from one choice byte: the size limits that matter (none, tiny, a page) and cutting.
inline HttpControl& controlFromChoice(uint8_t choice) {
    static const int kLimits[] = {0, 7, 100, 4096};
    return responseControl(kLimits[choice & 3], (choice & 4) != 0);
}

// Piece sizes from the input: each byte one piece of 1 to 256 bytes.
inline std::vector<uint32_t> piecesFrom(Input& in, size_t count) {
    std::vector<uint32_t> pieces;
    for (size_t i = 0; i < count; ++i)
        pieces.push_back(in.take() + 1u);
    return pieces;
}

} // namespace fuzz
