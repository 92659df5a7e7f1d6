#include "base/utf8_text.h"

#include "base/ascii.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Upper-case letters and their lower-case forms from U+0080 to U+1FFF as runs: every code point
// from `first` to `last` in steps of `step` lowers by adding `delta`.
struct CaseRun {
    char32_t first;
    char32_t last;
    int delta;
    int step;
};
// clang-format off
constexpr CaseRun kCaseRuns[] = {
    {0xC0, 0xD6, 32, 1},
    {0xD8, 0xDE, 32, 1},
    {0x100, 0x12E, 1, 2},
    {0x132, 0x136, 1, 2},
    {0x139, 0x147, 1, 2},
    {0x14A, 0x176, 1, 2},
    {0x178, 0x178, -121, 1},
    {0x179, 0x17D, 1, 2},
    {0x181, 0x181, 210, 1},
    {0x182, 0x184, 1, 2},
    {0x186, 0x186, 206, 1},
    {0x187, 0x187, 1, 1},
    {0x189, 0x18A, 205, 1},
    {0x18B, 0x18B, 1, 1},
    {0x18E, 0x18E, 79, 1},
    {0x18F, 0x18F, 202, 1},
    {0x190, 0x190, 203, 1},
    {0x191, 0x191, 1, 1},
    {0x193, 0x193, 205, 1},
    {0x194, 0x194, 207, 1},
    {0x196, 0x196, 211, 1},
    {0x197, 0x197, 209, 1},
    {0x198, 0x198, 1, 1},
    {0x19C, 0x19C, 211, 1},
    {0x19D, 0x19D, 213, 1},
    {0x19F, 0x19F, 214, 1},
    {0x1A0, 0x1A4, 1, 2},
    {0x1A6, 0x1A6, 218, 1},
    {0x1A7, 0x1A7, 1, 1},
    {0x1A9, 0x1A9, 218, 1},
    {0x1AC, 0x1AC, 1, 1},
    {0x1AE, 0x1AE, 218, 1},
    {0x1AF, 0x1AF, 1, 1},
    {0x1B1, 0x1B2, 217, 1},
    {0x1B3, 0x1B5, 1, 2},
    {0x1B7, 0x1B7, 219, 1},
    {0x1B8, 0x1B8, 1, 1},
    {0x1BC, 0x1BC, 1, 1},
    {0x1C4, 0x1C4, 2, 1},
    {0x1C5, 0x1C5, 1, 1},
    {0x1C7, 0x1C7, 2, 1},
    {0x1C8, 0x1C8, 1, 1},
    {0x1CA, 0x1CA, 2, 1},
    {0x1CB, 0x1DB, 1, 2},
    {0x1DE, 0x1EE, 1, 2},
    {0x1F1, 0x1F1, 2, 1},
    {0x1F2, 0x1F4, 1, 2},
    {0x1F6, 0x1F6, -97, 1},
    {0x1F7, 0x1F7, -56, 1},
    {0x1F8, 0x21E, 1, 2},
    {0x220, 0x220, -130, 1},
    {0x222, 0x232, 1, 2},
    {0x23A, 0x23A, 10795, 1},
    {0x23B, 0x23B, 1, 1},
    {0x23D, 0x23D, -163, 1},
    {0x23E, 0x23E, 10792, 1},
    {0x241, 0x241, 1, 1},
    {0x243, 0x243, -195, 1},
    {0x244, 0x244, 69, 1},
    {0x245, 0x245, 71, 1},
    {0x246, 0x24E, 1, 2},
    {0x370, 0x372, 1, 2},
    {0x376, 0x376, 1, 1},
    {0x37F, 0x37F, 116, 1},
    {0x386, 0x386, 38, 1},
    {0x388, 0x38A, 37, 1},
    {0x38C, 0x38C, 64, 1},
    {0x38E, 0x38F, 63, 1},
    {0x391, 0x3A1, 32, 1},
    {0x3A3, 0x3AB, 32, 1},
    {0x3CF, 0x3CF, 8, 1},
    {0x3D8, 0x3EE, 1, 2},
    {0x3F4, 0x3F4, -60, 1},
    {0x3F7, 0x3F7, 1, 1},
    {0x3F9, 0x3F9, -7, 1},
    {0x3FA, 0x3FA, 1, 1},
    {0x3FD, 0x3FF, -130, 1},
    {0x400, 0x40F, 80, 1},
    {0x410, 0x42F, 32, 1},
    {0x460, 0x480, 1, 2},
    {0x48A, 0x4BE, 1, 2},
    {0x4C0, 0x4C0, 15, 1},
    {0x4C1, 0x4CD, 1, 2},
    {0x4D0, 0x52E, 1, 2},
    {0x531, 0x556, 48, 1},
    {0x10A0, 0x10C5, 7264, 1},
    {0x10C7, 0x10C7, 7264, 1},
    {0x10CD, 0x10CD, 7264, 1},
    {0x13A0, 0x13EF, 38864, 1},
    {0x13F0, 0x13F5, 8, 1},
    {0x1C90, 0x1CBA, -3008, 1},
    {0x1CBD, 0x1CBF, -3008, 1},
    {0x1E00, 0x1E94, 1, 2},
    {0x1E9E, 0x1E9E, -7615, 1},
    {0x1EA0, 0x1EFE, 1, 2},
    {0x1F08, 0x1F0F, -8, 1},
    {0x1F18, 0x1F1D, -8, 1},
    {0x1F28, 0x1F2F, -8, 1},
    {0x1F38, 0x1F3F, -8, 1},
    {0x1F48, 0x1F4D, -8, 1},
    {0x1F59, 0x1F5F, -8, 2},
    {0x1F68, 0x1F6F, -8, 1},
    {0x1F88, 0x1F8F, -8, 1},
    {0x1F98, 0x1F9F, -8, 1},
    {0x1FA8, 0x1FAF, -8, 1},
    {0x1FB8, 0x1FB9, -8, 1},
    {0x1FBA, 0x1FBB, -74, 1},
    {0x1FBC, 0x1FBC, -9, 1},
    {0x1FC8, 0x1FCB, -86, 1},
    {0x1FCC, 0x1FCC, -9, 1},
    {0x1FD8, 0x1FD9, -8, 1},
    {0x1FDA, 0x1FDB, -100, 1},
    {0x1FE8, 0x1FE9, -8, 1},
    {0x1FEA, 0x1FEB, -112, 1},
    {0x1FEC, 0x1FEC, -7, 1},
    {0x1FF8, 0x1FF9, -128, 1},
    {0x1FFA, 0x1FFB, -126, 1},
    {0x1FFC, 0x1FFC, -9, 1},
};
// clang-format on
constexpr char32_t kLastRunCodePoint = 0x1FFF;

constexpr char32_t kCapitalIWithDot = 0x130;
constexpr char32_t kCombiningDotAbove = 0x307;
constexpr char32_t kCapitalSigma = 0x3A3;
constexpr char32_t kFinalSigma = 0x3C2;

// Letters with case, for the final-sigma rule: ASCII and the letter blocks the runs cover.
bool isCased(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c == 0xAA || c == 0xB5 || c == 0xBA)
        return true;
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x3FF && c != 0x37E) ||
           (c >= 0x400 && c <= 0x52F && (c < 0x482 || c > 0x489)) || (c >= 0x531 && c <= 0x587) ||
           (c >= 0x10A0 && c <= 0x10FF) || (c >= 0x1E00 && c <= 0x1FBC);
}

// Marks and apostrophes a word may hold without ending it, as far as the final-sigma rule goes.
bool isCaseIgnorable(char32_t c) {
    return c == '\'' || c == '.' || c == ':' || c == 0xAD || c == 0x2019 || (c >= 0x300 && c <= 0x36F);
}

} // namespace

char32_t lowerCodePoint(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c > kLastRunCodePoint)
        return c;
    auto it = std::upper_bound(std::begin(kCaseRuns), std::end(kCaseRuns), c,
                               [](char32_t v, const CaseRun& r) { return v < r.first; });
    if (it == std::begin(kCaseRuns))
        return c;
    const CaseRun& run = *(it - 1);
    if (c > run.last || (c - run.first) % static_cast<char32_t>(run.step) != 0)
        return c;
    return static_cast<char32_t>(static_cast<int>(c) + run.delta);
}

int decodeUtf8(const unsigned char* s, int n, char32_t& c) {
    unsigned char b = s[0];
    c = b;
    if (b < 0x80)
        return 1;
    int len = b >= 0xF0 && b <= 0xF4 ? 4 : (b >= 0xE0 ? (b < 0xF0 ? 3 : 0) : (b >= 0xC2 ? 2 : 0));
    if (len == 0 || len > n)
        return 1;
    char32_t v = b & (0x7F >> len);
    for (int i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 1;
        v = (v << 6) | (s[i] & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < kSmallest[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 1;
    c = v;
    return len;
}

int encodeUtf8(char32_t c, char* out) {
    int n = 0;
    if (c < 0x80) {
        out[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        out[n++] = static_cast<char>(0xC0 | (c >> 6));
        out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        if (c >= 0xD800 && c <= 0xDFFF)
            return 0;
        out[n++] = static_cast<char>(0xE0 | (c >> 12));
        out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        out[n++] = static_cast<char>(0xF0 | (c >> 18));
        out[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    return n;
}

void appendUtf8(StringBuffer& out, char32_t c) {
    char bytes[4];
    out.appendN(bytes, encodeUtf8(c, bytes));
}

int utf8CharCount(const char* text, int numBytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    int count = 0;
    char32_t c;
    for (int i = 0; i < numBytes; i += decodeUtf8(s + i, numBytes - i, c))
        ++count;
    return count;
}

void lowerUtf8(StringBuffer& text) {
    if (text.is7bit()) {
        text.toLowerCase();
        return;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(text.getString());
    int n = text.getSize();
    StringBuffer out;
    out.expectNumBytes(n);
    bool afterCased = false;
    char32_t c;
    for (int i = 0; i < n;) {
        // A run of ASCII bytes is lowered in pieces, and what ends it decides the sigma rule.
        if (s[i] < 0x80) {
            char piece[64];
            int m = 0;
            while (i < n && s[i] < 0x80 && m < static_cast<int>(sizeof piece)) {
                if (!isCaseIgnorable(s[i]))
                    afterCased = isCased(s[i]);
                piece[m++] = lowerAscii(static_cast<char>(s[i++]));
            }
            out.appendN(piece, m);
            continue;
        }
        int len = decodeUtf8(s + i, n - i, c);
        if (len == 1 && c >= 0x80) {
            // A broken byte: kept as it is.
            out.appendChar(static_cast<char>(c));
            afterCased = false;
            i += 1;
            continue;
        }
        i += len;
        if (c == kCapitalIWithDot) {
            appendUtf8(out, 'i');
            appendUtf8(out, kCombiningDotAbove);
        } else if (c == kCapitalSigma) {
            bool beforeCased = false;
            char32_t next;
            for (int j = i; j < n;) {
                j += decodeUtf8(s + j, n - j, next);
                if (!isCaseIgnorable(next)) {
                    beforeCased = isCased(next);
                    break;
                }
            }
            appendUtf8(out, afterCased && !beforeCased ? kFinalSigma : lowerCodePoint(c));
        } else {
            appendUtf8(out, lowerCodePoint(c));
        }
        if (!isCaseIgnorable(c))
            afterCased = isCased(c);
    }
    text.setSb(out);
}

namespace {

// What a byte may start: a blank, the no-break space (C2 A0), the end (NUL), or nothing.
enum : unsigned char { kPlain, kBlank, kLead, kEnd };
constexpr auto kKind = [] {
    std::array<unsigned char, 256> kind{};
    for (unsigned char c : {' ', '\t', '\r', '\n'})
        kind[c] = kBlank;
    kind[0xC2] = kLead;
    kind[0] = kEnd;
    return kind;
}();

// The bytes of an 8-byte word that may end a run of plain bytes: those below '!' (the blanks, NUL
// and the other controls) and 0xC2. The lowest byte flagged is always one of them; flags above it
// may be false, as a borrow runs on from a flagged byte.
uint64_t runEndCandidates(uint64_t x) {
    constexpr uint64_t kOnes = 0x0101010101010101;
    constexpr uint64_t kHigh = kOnes * 0x80;
    uint64_t lead = x ^ (kOnes * 0xC2);
    return (((x - kOnes * '!') & ~x) | ((lead - kOnes) & ~lead)) & kHigh;
}

// Moves the run of plain bytes at `p` down to `w`, eight at a time where there are eight left.
// Every byte before `p` has been read, so a whole word may land there when `w` is that far behind.
void moveUnmappedRun(unsigned char*& p, unsigned char*& w, const unsigned char* end) {
    for (;;) {
        if (std::endian::native != std::endian::little || end - p < 8) {
            for (; kKind[*p] == kPlain; ++p)
                *w++ = *p;
            return;
        }
        uint64_t x;
        std::memcpy(&x, p, sizeof x);
        uint64_t found = runEndCandidates(x);
        size_t n = found == 0 ? 8 : static_cast<size_t>(std::countr_zero(found)) / 8;
        if (p - w >= 8)
            std::memcpy(w, &x, sizeof x);
        else if (w != p)
            std::memmove(w, p, n);
        p += n;
        w += n;
        // A control byte flagged with the blanks belongs to the run.
        if (n < 8) {
            if (kKind[*p] != kPlain)
                return;
            *w++ = *p++;
        }
    }
}

// For each byte: its value after the map in the low 8 bits and the kind of that value above
// them, so one lookup tells both.
using MappedKinds = std::array<uint16_t, 256>;

constexpr MappedKinds mappedKinds(const unsigned char* map) {
    MappedKinds table{};
    for (size_t b = 0; b < table.size(); ++b) {
        unsigned char m = map == nullptr ? static_cast<unsigned char>(b) : map[b];
        table[b] = static_cast<uint16_t>(m | kKind[m] << 8);
    }
    return table;
}

constexpr MappedKinds kUnmapped = mappedKinds(nullptr);

// The collapse of `length` bytes where they lie, each byte taken through `table` (whose NUL stays
// NUL); answers the new length. A blank is only ever written for blanks read, so the write
// position never passes the read position. The text ends at a NUL byte, as a C string does.
template <bool kMapped>
int collapseBytes(unsigned char* text, int length, bool joinAfterComma, const MappedKinds& table) {
    // The buffer's terminator stops every scan below, so no byte needs its own bounds test.
    unsigned char* p = text;
    const unsigned char* end = text + length;
    unsigned char* w = text;
    // Steps over white space; true when there was some.
    auto skipBlanks = [&p, &table] {
        const unsigned char* from = p;
        for (;;) {
            unsigned kind = table[*p] >> 8;
            if (kind == kBlank)
                p += 1;
            else if (kind == kLead && (table[p[1]] & 0xFF) == 0xA0)
                p += 2;
            else
                return p != from;
        }
    };
    // One blank for white space between two runs, none behind a comma when they are joined.
    auto writeBlank = [&w, joinAfterComma] {
        if (!(joinAfterComma && w[-1] == ','))
            *w++ = ' ';
    };
    skipBlanks();
    for (;;) {
        uint16_t at = table[*p];
        if (at >> 8 == kEnd)
            break;
        // This byte, plain or a lead byte of another character, and the rest of its run.
        *w++ = static_cast<unsigned char>(at);
        ++p;
        for (;;) {
            if constexpr (kMapped) {
                std::ptrdiff_t behind = p - w;
                for (uint16_t c; (c = table[*p]) <= 0xFF; ++p)
                    p[-behind] = static_cast<unsigned char>(c);
                w = p - behind;
            } else {
                moveUnmappedRun(p, w, end);
            }
            // A single blank between two runs, the usual white space, goes on with the next run.
            if (table[*p] >> 8 != kBlank || table[p[1]] > 0xFF)
                break;
            writeBlank();
            ++p;
        }
        if (skipBlanks()) {
            if (p == end)
                break;
            writeBlank();
        }
    }
    return static_cast<int>(w - text);
}

void collapseInPlace(StringBuffer& text, bool joinAfterComma, const unsigned char* map) {
    text.editInPlace([joinAfterComma, map](char* bytes, int length) {
        auto* text = reinterpret_cast<unsigned char*>(bytes);
        if (map == nullptr)
            return collapseBytes<false>(text, length, joinAfterComma, kUnmapped);
        return collapseBytes<true>(text, length, joinAfterComma, mappedKinds(map));
    });
}

} // namespace

void collapseUtf8Whitespace(StringBuffer& text, bool joinAfterComma) {
    collapseInPlace(text, joinAfterComma, nullptr);
}

void collapseUtf8Whitespace(StringBuffer& text, bool joinAfterComma, const unsigned char* byteMap) {
    // A map that changes NUL would carry the scans past the terminator: the text is mapped first.
    if (byteMap[0] != 0) {
        text.mapBytes(byteMap);
        collapseInPlace(text, joinAfterComma, nullptr);
        return;
    }
    collapseInPlace(text, joinAfterComma, byteMap);
}
