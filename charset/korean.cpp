// Korean: ISO-2022-KR shifts whole KS X 1001 pairs between their 7-bit and 8-bit forms.
#include "charset/korean.h"

#include "charset/conv_buffer.h"

#include <cstring>

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kShiftOut = 0x0E;
constexpr uint8_t kShiftIn = 0x0F;
constexpr uint8_t kDesignation[] = {kEsc, '$', ')', 'C'};

bool isKsByte(uint8_t b) {
    return b >= 0xA1 && b <= 0xFE;
}

} // namespace

bool Korean::toCode949(const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (!out.reserve(n))
        return false;
    uint8_t* w = out.end();
    bool allMapped = true;
    bool shifted = false;
    std::size_t i = 0;
    while (i < n) {
        uint8_t c = p[i];
        if (c == kEsc && n - i >= sizeof(kDesignation) && std::memcmp(p + i, kDesignation, sizeof(kDesignation)) == 0) {
            i += sizeof(kDesignation);
        } else if (c == kShiftOut || c == kShiftIn) {
            shifted = c == kShiftOut;
            ++i;
        } else if (shifted && c >= 0x21 && c <= 0x7E) {
            if (i + 1 < n && p[i + 1] >= 0x21 && p[i + 1] <= 0x7E) {
                *w++ = static_cast<uint8_t>(c | 0x80);
                *w++ = static_cast<uint8_t>(p[i + 1] | 0x80);
                i += 2;
            } else {
                allMapped = false;
                ++i;
            }
        } else {
            if (c == '\r' || c == '\n')
                shifted = false;
            *w++ = c;
            ++i;
        }
    }
    out.commit(w);
    return allMapped;
}

// A byte becomes at most a shift byte and itself; the designation and the closing SI come once.
bool Korean::fromCode949(const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (n > ConvBuffer::kMaxBytes / 4 || !out.reserve(n * 2 + sizeof(kDesignation) + 1))
        return false;
    uint8_t* w = out.end();
    bool allMapped = true;
    bool shifted = false;
    std::memcpy(w, kDesignation, sizeof(kDesignation));
    w += sizeof(kDesignation);
    std::size_t i = 0;
    while (i < n) {
        uint8_t c = p[i];
        if (c >= 0x81 && c <= 0xFE && i + 1 < n) {
            if (isKsByte(c) && isKsByte(p[i + 1])) {
                if (!shifted) {
                    *w++ = kShiftOut;
                    shifted = true;
                }
                *w++ = static_cast<uint8_t>(c & 0x7F);
                *w++ = static_cast<uint8_t>(p[i + 1] & 0x7F);
            } else {
                allMapped = false;
            }
            i += 2;
            continue;
        }
        if (shifted) {
            *w++ = kShiftIn;
            shifted = false;
        }
        *w++ = c;
        ++i;
    }
    if (shifted)
        *w++ = kShiftIn;
    out.commit(w);
    return allMapped;
}
