// EncodingUtf7: RFC 2152, with the optional direct characters always sent in base64.
#include "charset/encoding_utf7.h"

#include "base/ascii.h"
#include "charset/conv_buffer.h"
#include "charset/unmappable_handler.h"

#include <cstring>

namespace {

bool isDirect(unsigned c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return c != 0 && c < 0x80 && std::strchr("'(),-./:? \t\r\n", static_cast<int>(c)) != nullptr;
}

} // namespace

// Each unit takes at most three base64 characters, and a run adds its "+" and "-": four bytes
// per unit is room enough.
bool EncodingUtf7::encode(const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (!out.reserve(n / 2 * 4 + 2))
        return false;
    uint8_t* w = out.end();
    bool inBase64 = false;
    uint32_t bits = 0;
    unsigned numBits = 0;
    auto endRun = [&] {
        if (numBits > 0)
            *w++ = static_cast<uint8_t>(kBase64Alphabet[(bits << (6 - numBits)) & 0x3F]);
        *w++ = '-';
        inBase64 = false;
        bits = 0;
        numBits = 0;
    };
    for (std::size_t i = 0; i + 2 <= n; i += 2) {
        unsigned unit = p[i] | p[i + 1] << 8;
        if (isDirect(unit)) {
            if (inBase64)
                endRun();
            *w++ = static_cast<uint8_t>(unit);
            continue;
        }
        if (!inBase64 && unit == '+') {
            *w++ = '+';
            *w++ = '-';
            continue;
        }
        if (!inBase64) {
            *w++ = '+';
            inBase64 = true;
        }
        bits = (bits << 16 | unit) & 0x3FFFFF;
        numBits += 16;
        while (numBits >= 6) {
            numBits -= 6;
            *w++ = static_cast<uint8_t>(kBase64Alphabet[(bits >> numBits) & 0x3F]);
        }
    }
    if (inBase64)
        endRun();
    out.commit(w);
    return n % 2 == 0;
}

// Every input byte gives at most one unit.
bool EncodingUtf7::decode(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) {
    bool allMapped = true;
    bool inBase64 = false;
    uint32_t bits = 0;
    unsigned numBits = 0;
    std::size_t i = 0;
    while (i < n) {
        if (!out.reserve((n - i) * 2))
            return false;
        uint8_t c = p[i];
        if (inBase64) {
            int v = base64DigitValue(static_cast<char>(c));
            if (v >= 0) {
                bits = (bits << 6 | static_cast<uint32_t>(v)) & 0x3FFFFF;
                numBits += 6;
                if (numBits >= 16) {
                    numBits -= 16;
                    out.appendUnit(static_cast<uint16_t>(bits >> numBits));
                }
                ++i;
                continue;
            }
            inBase64 = false;
            if (c == '-') {
                ++i;
                continue;
            }
        }
        if (c == '+') {
            if (i + 1 < n && p[i + 1] == '-') {
                out.appendUnit('+');
                i += 2;
                continue;
            }
            inBase64 = true;
            bits = 0;
            numBits = 0;
            ++i;
            continue;
        }
        if (c >= 0x80) {
            allMapped = false;
            handler.onUnmappable(p + i, 1, out);
        } else {
            out.appendUnit(c);
        }
        ++i;
    }
    return allMapped;
}
