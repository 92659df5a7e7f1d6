// EncodingUtf8: the UTF-8 codec with its ASCII fast paths.
#include "charset/encoding_utf8.h"

#include "charset/conv_buffer.h"
#include "charset/unmappable_handler.h"

#include <bit>
#include <cstring>

namespace {

constexpr uint64_t kHighBits = 0x8080808080808080ull;
// Four UTF-16LE units read as one little-endian word are all ASCII when these bits are clear.
constexpr uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80ull;
static_assert(std::endian::native == std::endian::little, "the fast paths read little-endian words");

bool isContinuation(uint8_t b) {
    return (b & 0xC0) == 0x80;
}

uint16_t loadUnit(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint8_t* putUnit(uint8_t* w, uint32_t unit) {
    w[0] = static_cast<uint8_t>(unit);
    w[1] = static_cast<uint8_t>(unit >> 8);
    return w + 2;
}

uint8_t* putUtf32(uint8_t* w, uint32_t v, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        w[i] = static_cast<uint8_t>(v >> shift);
    }
    return w + 4;
}

} // namespace

unsigned EncodingUtf8::sequenceAt(const uint8_t* p, std::size_t avail, uint32_t& codePoint) {
    uint8_t c = p[0];
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    if (c < 0xC2 || c > 0xF4)
        return 0;
    if (c < 0xE0) {
        if (avail < 2 || !isContinuation(p[1]))
            return 0;
        codePoint = (c & 0x1Fu) << 6 | (p[1] & 0x3Fu);
        return 1 + 1;
    }
    if (c < 0xF0) {
        if (avail < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F))
            return 0; // overlong, or a surrogate
        codePoint = (c & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
        return 3;
    }
    if (avail < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
        return 0;
    if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
        return 0; // overlong, or beyond U+10FFFF
    codePoint = (c & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
    return 4;
}

unsigned EncodingUtf8::put(uint32_t cp, uint8_t* w) {
    if (cp < 0x80) {
        w[0] = static_cast<uint8_t>(cp);
        return 1;
    }
    if (cp < 0x800) {
        w[0] = static_cast<uint8_t>(0xC0 | cp >> 6);
        w[1] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        w[0] = static_cast<uint8_t>(0xE0 | cp >> 12);
        w[1] = static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F));
        w[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        return 3;
    }
    w[0] = static_cast<uint8_t>(0xF0 | cp >> 18);
    w[1] = static_cast<uint8_t>(0x80 | (cp >> 12 & 0x3F));
    w[2] = static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F));
    w[3] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    return 4;
}

// Every input byte gives at most one UTF-16 unit (a four-byte sequence gives two), so twice the
// remaining input is always room enough.
bool EncodingUtf8::decodeToUtf16(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) {
    bool allMapped = true;
    const uint8_t* end = p + n;
    while (p < end) {
        if (!out.reserve(static_cast<std::size_t>(end - p) * 2))
            return false;
        uint8_t* w = out.end();
        bool bad = false;
        while (p < end) {
            uint64_t eight;
            if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & kHighBits) == 0)) {
                for (int i = 0; i < 8; ++i)
                    w = putUnit(w, p[i]);
                p += 8;
                continue;
            }
            uint32_t cp;
            unsigned len = sequenceAt(p, static_cast<std::size_t>(end - p), cp);
            if (len == 0) {
                bad = true;
                break;
            }
            if (cp < 0x10000) {
                w = putUnit(w, cp);
            } else {
                cp -= 0x10000;
                w = putUnit(w, 0xD800 | cp >> 10);
                w = putUnit(w, 0xDC00 | (cp & 0x3FF));
            }
            p += len;
        }
        out.commit(w);
        if (bad) {
            allMapped = false;
            handler.onUnmappable(p, 1, out);
            ++p;
        }
    }
    return allMapped;
}

// Two input bytes give at most three output bytes (a surrogate pair, four for four).
bool EncodingUtf8::encodeFromUtf16(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) {
    bool allMapped = true;
    bool markers = handler.passesMarkers();
    const uint8_t* end = p + n;
    while (p < end) {
        if (!out.reserve(static_cast<std::size_t>(end - p) / 2 * 3 + 4))
            return false;
        uint8_t* w = out.end();
        std::size_t badLength = 0;
        bool atMarker = false;
        while (end - p >= 2) {
            uint64_t eight;
            if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & kNonAsciiUnits) == 0)) {
                w[0] = p[0];
                w[1] = p[2];
                w[2] = p[4];
                w[3] = p[6];
                w += 4;
                p += 8;
                continue;
            }
            uint32_t unit = loadUnit(p);
            if (unit < 0x80) {
                *w++ = static_cast<uint8_t>(unit);
                p += 2;
                continue;
            }
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                uint32_t low = end - p >= 4 ? loadUnit(p + 2) : 0;
                if (unit > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
                    badLength = 2;
                    break;
                }
                w += put(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), w);
                p += 4;
                continue;
            }
            if (markers && unit == PassThrough::kMarkerUnit) {
                atMarker = true;
                break;
            }
            w += put(unit, w);
            p += 2;
        }
        out.commit(w);
        if (p == end)
            break;
        if (atMarker) {
            std::size_t taken = handler.onMarker(p, static_cast<std::size_t>(end - p), out);
            if (taken != 0) {
                p += taken;
                continue;
            }
            uint8_t bytes[3];
            out.append(bytes, put(PassThrough::kMarkerUnit, bytes));
            p += 2;
            continue;
        }
        if (badLength == 0)
            badLength = 1; // a byte left over from an odd length
        allMapped = false;
        handler.onUnmappable(p, static_cast<unsigned>(badLength), out);
        p += badLength;
    }
    return allMapped;
}

bool EncodingUtf8::fromUtf32(const uint8_t* p, std::size_t n, bool bigEndian, ConvBuffer& out) {
    if (!out.reserve(n))
        return false;
    bool allValid = n % 4 == 0;
    uint8_t* w = out.end();
    for (std::size_t i = 0; i + 4 <= n; i += 4) {
        const uint8_t* q = p + i;
        uint32_t v = bigEndian ? uint32_t(q[0]) << 24 | q[1] << 16 | q[2] << 8 | q[3]
                               : uint32_t(q[3]) << 24 | q[2] << 16 | q[1] << 8 | q[0];
        if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
            allValid = false;
            continue;
        }
        w += put(v, w);
    }
    out.commit(w);
    return allValid;
}

bool EncodingUtf8::toUtf32(const uint8_t* p, std::size_t n, bool bigEndian, ConvBuffer& out) {
    if (n > ConvBuffer::kMaxBytes / 4 || !out.reserve(n * 4))
        return false;
    uint8_t* w = out.end();
    const uint8_t* end = p + n;
    while (p < end) {
        uint32_t cp;
        unsigned len = sequenceAt(p, static_cast<std::size_t>(end - p), cp);
        if (len == 0) {
            cp = *p;
            len = 1;
        }
        w = putUtf32(w, cp, bigEndian);
        p += len;
    }
    out.commit(w);
    return true;
}
