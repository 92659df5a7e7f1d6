#include "charset/encoding_finder.h"

#include "base/ascii.h"
#include "base/data_buffer.h"
#include "charset/charset_detector.h"
#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "charset/encoding_utf8.h"
#include "http/limits.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

using CodePages::kUsAscii;
using CodePages::kUtf16Be;
using CodePages::kUtf16Le;
using CodePages::kUtf32Be;
using CodePages::kUtf32Le;
using CodePages::kUtf8;

constexpr uint32_t kReplacement = 0xFFFD;
constexpr unsigned char kReplacementUtf8[] = {0xEF, 0xBF, 0xBD};
// Longest label kept from a declaration; every real one is far shorter.
constexpr std::size_t kMaxLabelLength = 64;

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool startsWithNoCase(const unsigned char* p, const unsigned char* end, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        if (p >= end || lowerAscii(*p) != static_cast<unsigned char>(*word))
            return false;
    }
    return true;
}

// Sets `label` to `n` bytes at `p`, trimmed of blanks and quotes and lower-cased; false when
// nothing is left or the text is too long to be a label.
bool setLabel(const unsigned char* p, std::size_t n, StringBuffer& label) {
    auto trimmed = [](unsigned char c) { return isBlank(c) || c == '"' || c == '\''; };
    while (n > 0 && trimmed(p[0])) {
        ++p;
        --n;
    }
    while (n > 0 && trimmed(p[n - 1]))
        --n;
    if (n == 0 || n > kMaxLabelLength)
        return false;
    label.clear();
    for (std::size_t i = 0; i < n; ++i)
        label.appendChar(static_cast<char>(lowerAscii(p[i])));
    return true;
}

// A label's code page when the library can read text in it, else 0.
unsigned decodableCodePage(const StringBuffer& label) {
    unsigned codePage = CodePageFromLabel(label.getString());
    return codePage != 0 && EncodingConvert::CanDecode(codePage) ? codePage : 0;
}

bool isUtf16Or32(unsigned codePage) {
    return codePage == kUtf16Le || codePage == kUtf16Be || codePage == kUtf32Le || codePage == kUtf32Be;
}

// The charset named in a META content value: after "charset", blanks, "=" and blanks, either a
// quoted value or the bytes up to a blank or ";".
bool charsetFromContent(const StringBuffer& content, StringBuffer& label) {
    auto p = reinterpret_cast<const unsigned char*>(content.getString());
    const unsigned char* end = p + content.getSize();
    while (p < end) {
        if (!startsWithNoCase(p, end, "charset")) {
            ++p;
            continue;
        }
        p += 7;
        while (p < end && isBlank(*p))
            ++p;
        if (p >= end || *p != '=')
            continue;
        ++p;
        while (p < end && isBlank(*p))
            ++p;
        if (p >= end)
            return false;
        if (*p == '"' || *p == '\'') {
            const unsigned char* close = std::find(p + 1, end, *p);
            return close != end && setLabel(p + 1, static_cast<std::size_t>(close - p - 1), label);
        }
        const unsigned char* stop = p;
        while (stop < end && !isBlank(*stop) && *stop != ';')
            ++stop;
        return setLabel(p, static_cast<std::size_t>(stop - p), label);
    }
    return false;
}

// The prescan's cursor over the first bytes of a page.
class Prescan {
public:
    Prescan(const unsigned char* p, std::size_t n) : m_p(p), m_end(p + n) {}

    bool run(StringBuffer& label) {
        while (m_p < m_end) {
            if (startsWith("<!--")) {
                skipComment();
            } else if (startsWithNoCase(m_p, m_end, "<meta") && m_p + 5 < m_end &&
                       (isBlank(m_p[5]) || m_p[5] == '/')) {
                m_p += 5;
                if (meta(label))
                    return true;
            } else if (m_p + 1 < m_end && m_p[0] == '<' &&
                       (isAsciiLetter(static_cast<char>(m_p[1])) ||
                        (m_p[1] == '/' && m_p + 2 < m_end && isAsciiLetter(static_cast<char>(m_p[2]))))) {
                skipTag();
            } else if (m_p + 1 < m_end && m_p[0] == '<' &&
                       (m_p[1] == '!' || m_p[1] == '/' || m_p[1] == '?')) {
                const unsigned char* gt = std::find(m_p, m_end, '>');
                m_p = gt == m_end ? m_end : gt + 1;
            } else {
                ++m_p;
            }
        }
        return false;
    }

private:
    bool startsWith(const char* s) const {
        std::size_t n = std::strlen(s);
        return static_cast<std::size_t>(m_end - m_p) >= n && std::memcmp(m_p, s, n) == 0;
    }

    // "<!--" up to the first "-->" whose ">" comes after the "<!": "<!-->" closes at once.
    void skipComment() {
        const unsigned char* from = m_p + 2;
        static const unsigned char kClose[] = {'-', '-', '>'};
        const unsigned char* close = std::search(from, m_end, kClose, kClose + 3);
        m_p = close == m_end ? m_end : close + 3;
    }

    void skipTag() {
        while (m_p < m_end && !isBlank(*m_p) && *m_p != '>')
            ++m_p;
        // The attributes of other tags are only stepped over.
        while (attribute(nullptr, nullptr)) {
        }
        if (m_p < m_end && *m_p == '>')
            ++m_p;
    }

    // Reads one attribute, into `name` and `value` when they are given; false at the tag's end or
    // the window's end.
    bool attribute(StringBuffer* name, StringBuffer* value) {
        if (name != nullptr && value != nullptr) {
            name->clear();
            value->clear();
        }
        std::size_t nameLength = 0;
        while (m_p < m_end && (isBlank(*m_p) || *m_p == '/'))
            ++m_p;
        if (m_p >= m_end || *m_p == '>')
            return false;
        for (;; ++m_p) {
            if (m_p >= m_end)
                return false;
            unsigned char c = *m_p;
            if (c == '=' && nameLength > 0) {
                ++m_p;
                break;
            }
            if (isBlank(c)) {
                while (m_p < m_end && isBlank(*m_p))
                    ++m_p;
                if (m_p >= m_end)
                    return false;
                if (*m_p != '=')
                    return true;
                ++m_p;
                break;
            }
            if (c == '/' || c == '>')
                return true;
            ++nameLength;
            if (name != nullptr)
                name->appendChar(static_cast<char>(lowerAscii(c)));
        }
        while (m_p < m_end && isBlank(*m_p))
            ++m_p;
        if (m_p >= m_end)
            return false;
        if (*m_p == '"' || *m_p == '\'') {
            unsigned char quote = *m_p++;
            const unsigned char* close = std::find(m_p, m_end, quote);
            if (close == m_end) {
                m_p = m_end;
                return false;
            }
            appendLower(value, m_p, close);
            m_p = close + 1;
            return true;
        }
        if (*m_p == '>')
            return true;
        const unsigned char* stop = m_p;
        while (stop < m_end && !isBlank(*stop) && *stop != '>')
            ++stop;
        if (stop == m_end) {
            m_p = m_end;
            return false;
        }
        appendLower(value, m_p, stop);
        m_p = stop;
        return true;
    }

    static void appendLower(StringBuffer* out, const unsigned char* from, const unsigned char* to) {
        for (; out != nullptr && from < to; ++from)
            out->appendChar(static_cast<char>(lowerAscii(*from)));
    }

    // One meta tag; true when it declares a charset, which is then in `label`.
    bool meta(StringBuffer& label) {
        bool gotPragma = false;
        bool needPragma = false;
        bool haveCharset = false;
        bool seenHttpEquiv = false, seenContent = false, seenCharset = false;
        StringBuffer found, name, value;
        while (attribute(&name, &value)) {
            if (name.equals("http-equiv") && !seenHttpEquiv) {
                seenHttpEquiv = true;
                gotPragma = value.equals("content-type");
            } else if (name.equals("content") && !seenContent) {
                seenContent = true;
                if (!haveCharset && charsetFromContent(value, found)) {
                    haveCharset = true;
                    needPragma = true;
                }
            } else if (name.equals("charset") && !seenCharset) {
                seenCharset = true;
                if (setLabel(reinterpret_cast<const unsigned char*>(value.getString()),
                             static_cast<std::size_t>(value.getSize()), found)) {
                    haveCharset = true;
                    needPragma = false;
                }
            }
        }
        if (m_p < m_end && *m_p == '>')
            ++m_p;
        if (!haveCharset || (needPragma && !gotPragma))
            return false;
        label.setSb(found);
        return true;
    }

    const unsigned char* m_p;
    const unsigned char* m_end;
};

// UTF-8 text written through a small buffer, so that a page is appended in few large pieces.
class Utf8Writer {
public:
    explicit Utf8Writer(StringBuffer& out) : m_out(out) {}
    ~Utf8Writer() { flush(); }

    void put(uint32_t codePoint) {
        if (codePoint == 0)
            codePoint = kReplacement;
        uint8_t bytes[4];
        bytesOf(bytes, EncodingUtf8::put(codePoint, bytes));
    }
    void bytesOf(const uint8_t* p, unsigned n) {
        if (m_used + n > sizeof m_buffer)
            flush();
        std::memcpy(m_buffer + m_used, p, n);
        m_used += n;
    }
    // A long run goes to the text in one piece rather than through the buffer.
    void runOf(const uint8_t* p, std::size_t n) {
        if (n <= sizeof m_buffer - m_used) {
            bytesOf(p, static_cast<unsigned>(n));
            return;
        }
        flush();
        for (std::size_t piece; n > 0; p += piece, n -= piece) {
            piece = std::min<std::size_t>(n, kMaxPiece);
            m_out.appendN(p, static_cast<int>(piece));
        }
    }
    void flush() {
        if (m_used > 0)
            m_out.appendN(m_buffer, static_cast<int>(m_used));
        m_used = 0;
    }

private:
    // A buffer's length is an int.
    static constexpr std::size_t kMaxPiece = 1u << 30;
    StringBuffer& m_out;
    uint8_t m_buffer[4096];
    std::size_t m_used = 0;
};

// The length of the run of ASCII bytes other than NUL at p, most pages' bulk, taken eight bytes
// at a time: adding 0x7F to a byte's low seven bits sets its top bit unless the byte is NUL.
std::size_t plainAsciiRun(const unsigned char* p, std::size_t n) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr uint64_t kTop = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (uint64_t v; i + 8 <= n; i += 8) {
        std::memcpy(&v, p + i, 8);
        if ((v & kTop) != 0 || (((v & kLow7) + kLow7) & kTop) != kTop)
            break;
    }
    while (i < n && p[i] != 0 && p[i] < 0x80)
        ++i;
    return i;
}

// Copies UTF-8 text, each byte that begins no well-formed sequence and each NUL replaced.
void sanitiseUtf8(const unsigned char* p, std::size_t n, Utf8Writer& w) {
    std::size_t i = 0;
    while (i < n) {
        if (std::size_t run = plainAsciiRun(p + i, n - i); run > 0) {
            w.runOf(p + i, run);
            i += run;
            continue;
        }
        uint32_t codePoint = 0;
        unsigned length = p[i] == 0 ? 0 : EncodingUtf8::sequenceAt(p + i, n - i, codePoint);
        if (length == 0) {
            w.bytesOf(kReplacementUtf8, 3);
            ++i;
        } else {
            w.bytesOf(p + i, length);
            i += length;
        }
    }
}

void decodeUtf16(const unsigned char* p, std::size_t n, bool bigEndian, Utf8Writer& w) {
    auto unitAt = [&](std::size_t i) {
        return bigEndian ? static_cast<uint32_t>(p[i] << 8 | p[i + 1]) : static_cast<uint32_t>(p[i + 1] << 8 | p[i]);
    };
    std::size_t i = 0;
    for (; i + 1 < n; i += 2) {
        uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < n) {
            uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                w.put(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        w.put(unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    if (i < n)
        w.put(kReplacement);
}

void decodeUtf32(const unsigned char* p, std::size_t n, bool bigEndian, Utf8Writer& w) {
    std::size_t i = 0;
    for (; i + 3 < n; i += 4) {
        uint32_t v = bigEndian ? (uint32_t{p[i]} << 24 | uint32_t{p[i + 1]} << 16 | uint32_t{p[i + 2]} << 8 | p[i + 3])
                               : (uint32_t{p[i + 3]} << 24 | uint32_t{p[i + 2]} << 16 | uint32_t{p[i + 1]} << 8 | p[i]);
        w.put(v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF) ? kReplacement : v);
    }
    if (i < n)
        w.put(kReplacement);
}

// The byte-order mark at the start of a page: its length, code page and label.
struct ByteOrderMark {
    const char* bytes;
    unsigned length;
    unsigned codePage;
    const char* label;
};

// UTF-32LE before UTF-16LE, whose mark begins it.
constexpr ByteOrderMark kMarks[] = {
    {"\xEF\xBB\xBF", 3, kUtf8, "utf-8"},
    {"\x00\x00\xFE\xFF", 4, kUtf32Be, "utf-32be"},
    {"\xFF\xFE\x00\x00", 4, kUtf32Le, "utf-32le"},
    {"\xFE\xFF", 2, kUtf16Be, "utf-16be"},
    {"\xFF\xFE", 2, kUtf16Le, "utf-16le"},
};

const ByteOrderMark* markAt(const unsigned char* p, std::size_t n) {
    for (const ByteOrderMark& mark : kMarks) {
        if (n >= mark.length && std::memcmp(p, mark.bytes, mark.length) == 0)
            return &mark;
    }
    return nullptr;
}

} // namespace

bool EncodingFinder::prescan(const unsigned char* p, std::size_t n, StringBuffer& label) {
    Prescan scan(p, std::min<std::size_t>(n, HttpLimits::kEncodingPrescanBytes));
    return scan.run(label);
}

bool EncodingFinder::xmlDeclaration(const unsigned char* p, std::size_t n, StringBuffer& label) {
    n = std::min<std::size_t>(n, HttpLimits::kEncodingPrescanBytes);
    const unsigned char* end = p + n;
    if (!startsWithNoCase(p, end, "<?xml") || n < 6 || !isBlank(p[5]))
        return false;
    static const unsigned char kClose[] = {'?', '>'};
    end = std::search(p, end, kClose, kClose + 2);
    static const unsigned char kName[] = {'e', 'n', 'c', 'o', 'd', 'i', 'n', 'g'};
    const unsigned char* at = std::search(p, end, kName, kName + sizeof kName);
    if (at == end)
        return false;
    at += sizeof kName;
    while (at < end && isBlank(*at))
        ++at;
    if (at >= end || *at != '=')
        return false;
    ++at;
    while (at < end && isBlank(*at))
        ++at;
    if (at >= end || (*at != '"' && *at != '\''))
        return false;
    const unsigned char* close = std::find(at + 1, end, *at);
    return close != end && setLabel(at + 1, static_cast<std::size_t>(close - at - 1), label);
}

void EncodingFinder::find(const unsigned char* body, std::size_t size, const char* httpCharset,
                          PageEncoding& out) {
    out.clear();
    if (const ByteOrderMark* mark = markAt(body, size)) {
        out.codePage = mark->codePage;
        out.label.setString(mark->label);
        return;
    }
    StringBuffer label;
    if (httpCharset != nullptr &&
        setLabel(reinterpret_cast<const unsigned char*>(httpCharset), std::strlen(httpCharset), label)) {
        if (unsigned codePage = decodableCodePage(label)) {
            out.codePage = codePage;
            out.label.setSb(label);
            return;
        }
    }
    if (prescan(body, size, label)) {
        if (unsigned codePage = decodableCodePage(label)) {
            // Text in which a META tag could be read is no UTF-16 or UTF-32 text.
            out.codePage = isUtf16Or32(codePage) ? kUtf8 : codePage;
            out.label.setSb(label);
            return;
        }
    }
    if (xmlDeclaration(body, size, label)) {
        if (unsigned codePage = decodableCodePage(label)) {
            out.codePage = codePage;
            out.label.setSb(label);
            return;
        }
    }
    if (isValidUtf8(body, size)) {
        out.codePage = kUtf8;
        return;
    }
    unsigned guess = DetectCodePage(body, std::min<std::size_t>(size, HttpLimits::kEncodingDetectBytes));
    out.codePage = guess != 0 && EncodingConvert::CanDecode(guess) ? guess : CodePages::kWindowsLatin1;
}

bool EncodingFinder::isValidUtf8(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        uint32_t codePoint = 0;
        unsigned length = EncodingUtf8::sequenceAt(p + i, n - i, codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

void EncodingFinder::decode(const unsigned char* body, std::size_t size, unsigned codePage, StringBuffer& out) {
    out.clear();
    if (const ByteOrderMark* mark = markAt(body, size); mark != nullptr && mark->codePage == codePage) {
        body += mark->length;
        size -= mark->length;
    }
    Utf8Writer w(out);
    switch (codePage) {
    case kUtf8:
    case kUsAscii:
        sanitiseUtf8(body, size, w);
        return;
    case kUtf16Le:
    case kUtf16Be:
        decodeUtf16(body, size, codePage == kUtf16Be, w);
        return;
    case kUtf32Le:
    case kUtf32Be:
        decodeUtf32(body, size, codePage == kUtf32Be, w);
        return;
    default:
        break;
    }
    DataBuffer converted;
    EncodingConvert convert;
    convert.setErrorAction(EncodingConvert::kWriteSubstitute);
    convert.setSubstitute(kReplacementUtf8, sizeof kReplacementUtf8);
    convert.Convert(codePage, kUtf8, body, static_cast<unsigned>(std::min<std::size_t>(size, EncodingConvert::kMaxInputLength)),
                    converted);
    // The tables map some bytes to U+0000 and leave nothing checked on the way: the result is
    // made valid like any UTF-8 page.
    sanitiseUtf8(converted.getData(), converted.getSize(), w);
}
