// Japanese: JIS X 0208 rows map to Shift-JIS arithmetically; only the full-width forms of the
// half-width katakana need a table.
#include "charset/japanese.h"

#include "charset/code_pages.h"
#include "charset/conv_buffer.h"

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kShiftOut = 0x0E;
constexpr uint8_t kShiftIn = 0x0F;

enum class Mode { Ascii, Kana, Jis0208, Jis0212 };

// The JIS X 0208 code of the full-width form of each half-width katakana 0xA1 to 0xDF.
constexpr uint16_t kFullWidthKana[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565,
    0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F, 0x2531, 0x2533,
    0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C,
    0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564,
    0x2566, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,
};

bool isJisByte(uint8_t b) {
    return b >= 0x21 && b <= 0x7E;
}

bool isSjisLead(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isSjisTrail(uint8_t b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

bool isHalfWidthKana(uint8_t b) {
    return b >= 0xA1 && b <= 0xDF;
}

void jisToSjis(uint8_t j1, uint8_t j2, uint8_t out[2]) {
    out[0] = static_cast<uint8_t>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
    if (j1 & 1)
        out[1] = static_cast<uint8_t>(j2 + (j2 >= 0x60 ? 0x20 : 0x1F));
    else
        out[1] = static_cast<uint8_t>(j2 + 0x7E);
}

void sjisToJis(uint8_t s1, uint8_t s2, uint8_t out[2]) {
    unsigned j1 = (s1 <= 0x9F ? s1 - 0x71u : s1 - 0xB1u) * 2 + 1;
    unsigned j2;
    if (s2 >= 0x9F) {
        ++j1;
        j2 = s2 - 0x7Eu;
    } else {
        j2 = s2 - (s2 >= 0x80 ? 0x20u : 0x1Fu);
    }
    out[0] = static_cast<uint8_t>(j1);
    out[1] = static_cast<uint8_t>(j2);
}

// The length of a recognised escape sequence at p, setting the mode it selects; 0 when unknown.
std::size_t escapeAt(const uint8_t* p, std::size_t avail, Mode& mode) {
    if (avail >= 3 && p[1] == '(' && (p[2] == 'B' || p[2] == 'J' || p[2] == 'H')) {
        mode = Mode::Ascii;
        return 3;
    }
    if (avail >= 3 && p[1] == '(' && p[2] == 'I') {
        mode = Mode::Kana;
        return 3;
    }
    if (avail >= 3 && p[1] == '$' && (p[2] == '@' || p[2] == 'B')) {
        mode = Mode::Jis0208;
        return 3;
    }
    if (avail >= 4 && p[1] == '$' && p[2] == '(' && p[3] == 'D') {
        mode = Mode::Jis0212;
        return 4;
    }
    if (avail >= 3 && p[1] == '&' && p[2] == '@')
        return 3; // announces the 1990 revision of JIS X 0208, the mode stays
    return 0;
}

// The writer of ISO-2022-JP: remembers the character set in effect and switches as needed.
class JisWriter {
public:
    explicit JisWriter(uint8_t* w) : m_w(w) {}
    uint8_t* end() { return m_w; }

    void ascii(uint8_t b) {
        leave();
        m_w = put(m_w, b);
    }
    void jis(uint8_t j1, uint8_t j2) {
        if (m_mode != Mode::Jis0208) {
            leaveShift();
            m_w = put(put(put(m_w, kEsc), '$'), 'B');
            m_mode = Mode::Jis0208;
        }
        m_w = put(put(m_w, j1), j2);
    }
    void escKana(uint8_t b) {
        if (m_mode != Mode::Kana) {
            leaveShift();
            m_w = put(put(put(m_w, kEsc), '('), 'I');
            m_mode = Mode::Kana;
        }
        m_w = put(m_w, static_cast<uint8_t>(b - 0x80));
    }
    void shiftedKana(uint8_t b) {
        if (!m_shifted) {
            m_w = put(m_w, kShiftOut);
            m_shifted = true;
        }
        m_w = put(m_w, static_cast<uint8_t>(b - 0x80));
    }
    void raw(uint8_t b) { m_w = put(m_w, b); }
    // Back to ASCII, as every line and the text must end.
    void leave() {
        leaveShift();
        if (m_mode != Mode::Ascii) {
            m_w = put(put(put(m_w, kEsc), '('), 'B');
            m_mode = Mode::Ascii;
        }
    }

private:
    static uint8_t* put(uint8_t* w, uint8_t b) {
        *w = b;
        return w + 1;
    }
    void leaveShift() {
        if (m_shifted) {
            m_w = put(m_w, kShiftIn);
            m_shifted = false;
        }
    }

    uint8_t* m_w;
    Mode m_mode = Mode::Ascii;
    bool m_shifted = false;
};

} // namespace

// Output never exceeds the input: escape sequences only shorten, pairs stay pairs.
bool Japanese::toShiftJis(const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (!out.reserve(n))
        return false;
    uint8_t* w = out.end();
    bool allMapped = true;
    Mode mode = Mode::Ascii;
    bool shifted = false;
    std::size_t i = 0;
    while (i < n) {
        uint8_t c = p[i];
        Mode selected = mode;
        std::size_t escape = c == kEsc ? escapeAt(p + i, n - i, selected) : 0;
        if (escape != 0) {
            mode = selected;
            i += escape;
        } else if (c == kShiftOut || c == kShiftIn) {
            shifted = c == kShiftOut;
            ++i;
        } else if ((shifted || mode == Mode::Kana) && c >= 0x21 && c <= 0x5F) {
            *w++ = static_cast<uint8_t>(c + 0x80);
            ++i;
        } else if ((mode == Mode::Jis0208 || mode == Mode::Jis0212) && isJisByte(c)) {
            if (i + 1 < n && isJisByte(p[i + 1]) && mode == Mode::Jis0208) {
                jisToSjis(c, p[i + 1], w);
                w += 2;
            } else {
                allMapped = false;
            }
            i += i + 1 < n && isJisByte(p[i + 1]) ? 2 : 1;
        } else {
            *w++ = c;
            ++i;
        }
    }
    out.commit(w);
    return allMapped;
}

// A byte becomes at most an escape sequence, a shift byte and two bytes; four bytes plus the
// closing sequence per input byte is room enough.
bool Japanese::fromShiftJis(unsigned codePage, const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (n > ConvBuffer::kMaxBytes / 8 || !out.reserve(n * 6 + 4))
        return false;
    JisWriter writer(out.end());
    bool allMapped = true;
    std::size_t i = 0;
    while (i < n) {
        uint8_t c = p[i];
        if (c < 0x80) {
            writer.ascii(c);
            ++i;
        } else if (isHalfWidthKana(c)) {
            if (codePage == CodePages::kIso2022JpEscKana) {
                writer.escKana(c);
            } else if (codePage == CodePages::kIso2022JpLast) {
                writer.shiftedKana(c);
            } else {
                uint16_t jis = kFullWidthKana[c - 0xA1];
                writer.jis(static_cast<uint8_t>(jis >> 8), static_cast<uint8_t>(jis));
            }
            ++i;
        } else if (isSjisLead(c) && i + 1 < n && isSjisTrail(p[i + 1])) {
            if (c < 0xF0) {
                uint8_t jis[2];
                sjisToJis(c, p[i + 1], jis);
                writer.jis(jis[0], jis[1]);
            } else {
                allMapped = false;
            }
            i += 2;
        } else {
            writer.raw(c);
            ++i;
        }
    }
    writer.leave();
    out.commit(writer.end());
    return allMapped;
}
