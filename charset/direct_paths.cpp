#include "charset/direct_paths.h"

#include "charset/code_page_table.h"
#include "charset/conv_buffer.h"
#include "charset/encoding_utf8.h"
#include "charset/hash_convert.h"

#include <cstring>

namespace {

// The unit the second step of a two-step conversion takes for a pass-through marker.
constexpr uint16_t kMarkerUnit = 0xEFFD;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

bool isAscii8(const uint8_t* p) {
    uint64_t eight;
    std::memcpy(&eight, p, 8);
    return (eight & kHighBits) == 0;
}

} // namespace

namespace DirectPaths {

bool codePageToUtf8(const CodePageTable& table, const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (!table.canDecode())
        return false;
    std::size_t start = out.size();
    // A byte becomes at most three bytes of UTF-8 (every unit of a table is in the BMP).
    if (!out.reserve(n * 3))
        return false;
    uint8_t* w = out.end();
    const uint8_t* end = p + n;
    // The ASCII bytes of a code page whose table maps them to themselves are copied eight at a
    // time; the table is asked for each of them once, up front.
    bool lowerHalf = table.asciiLowerHalf();
    bool asciiIdentity = true;
    for (unsigned b = 1; b < 0x80 && asciiIdentity; ++b)
        asciiIdentity = table.byteEntry(static_cast<uint8_t>(b)) == b;
    asciiIdentity = asciiIdentity || lowerHalf;
    while (p < end) {
        if (asciiIdentity && end - p >= 8 && isAscii8(p)) {
            std::memcpy(w, p, 8);
            w += 8;
            p += 8;
            continue;
        }
        uint16_t unit = (*p < 0x80 && lowerHalf) ? *p : table.byteEntry(*p);
        std::size_t length = 1;
        if (unit == CodePageTable::kLeadByte && end - p >= 2) {
            unit = table.pairEntry(p[0], p[1]);
            length = 2;
        }
        if (unit == CodePageTable::kUnmapped || unit == CodePageTable::kLeadByte || unit == kMarkerUnit ||
            (unit >= 0xD800 && unit <= 0xDFFF)) {
            out.shrinkTo(start);
            return false;
        }
        w += EncodingUtf8::put(unit, w);
        p += length;
    }
    out.commit(w);
    return true;
}

bool utf8ToSingleByte(const CodePageTable& table, const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (table.isDoubleByte())
        return false;
    std::size_t start = out.size();
    if (!out.reserve(n))
        return false;
    uint8_t* w = out.end();
    const uint8_t* end = p + n;
    bool asciiIdentity = true;
    for (uint16_t u = 1; u < 0x80 && asciiIdentity; ++u)
        asciiIdentity = table.encodeUnit(u) == u;
    auto fail = [&]() {
        out.shrinkTo(start);
        return false;
    };
    while (p < end) {
        if (asciiIdentity && end - p >= 8 && isAscii8(p)) {
            std::memcpy(w, p, 8);
            w += 8;
            p += 8;
            continue;
        }
        uint32_t cp;
        unsigned len = EncodingUtf8::sequenceAt(p, static_cast<std::size_t>(end - p), cp);
        if (len == 0 || cp > 0xFFFF || cp == kMarkerUnit)
            return fail();
        uint16_t bytes = table.encodeUnit(static_cast<uint16_t>(cp));
        if (bytes == HashConvert::kUnmapped || bytes >= 0x100)
            return fail();
        *w++ = static_cast<uint8_t>(bytes);
        p += len;
    }
    out.commit(w);
    return true;
}

} // namespace DirectPaths
