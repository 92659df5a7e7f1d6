#include "base/content_coding.h"

#include "base/ascii.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"

#include <cstring>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// Appends text while keeping lines within `lineLength` characters (0: no limit).
class LineWriter {
public:
    LineWriter(StringBuffer& out, int lineLength) : m_out(out), m_lineLength(lineLength) {}
    // Appends an indivisible piece; `soft` is the text that ends a line broken inside the text.
    void put(const char* piece, int n, const char* soft) {
        int softLength = static_cast<int>(std::strlen(soft));
        if (m_lineLength > 0 && m_column + n + softLength > m_lineLength && m_column > 0) {
            m_out.append(soft);
            m_out.append("\r\n");
            m_column = 0;
        }
        m_out.appendN(piece, n);
        m_column += n;
    }
    void hardBreak() {
        m_out.append("\r\n");
        m_column = 0;
    }

private:
    StringBuffer& m_out;
    int m_lineLength;
    int m_column = 0;
};

} // namespace

bool ContentCoding::encodeBase64(const void* bytes, uint32_t n, StringBuffer& out) const {
    if (bytes == nullptr && n > 0)
        return false;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    LineWriter writer(out, m_lineLength);
    for (uint32_t i = 0; i < n; i += 3) {
        uint32_t remaining = n - i;
        uint32_t group = static_cast<uint32_t>(p[i]) << 16;
        if (remaining > 1)
            group |= static_cast<uint32_t>(p[i + 1]) << 8;
        if (remaining > 2)
            group |= p[i + 2];
        char quad[4] = {kBase64Alphabet[(group >> 18) & 63], kBase64Alphabet[(group >> 12) & 63],
                        remaining > 1 ? kBase64Alphabet[(group >> 6) & 63] : '=',
                        remaining > 2 ? kBase64Alphabet[group & 63] : '='};
        writer.put(quad, 4, "");
    }
    return true;
}

bool ContentCoding::decodeBase64(const char* text, uint32_t n, DataBuffer& out) const {
    if (text == nullptr)
        return false;
    uint32_t start = out.getSize();
    // Room for the whole result and its terminator, so the decode never reallocates.
    uint64_t room = static_cast<uint64_t>(start) + (static_cast<uint64_t>(n) * 3) / 4 + 4;
    if (room > UINT32_MAX || !out.ensureCapacity(static_cast<uint32_t>(room)))
        return false;
    unsigned char* dst = out.getData() + start;
    uint32_t written = 0;
    uint32_t bits = 0;
    int bitCount = 0;
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0 || c == '=')
            break;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        int v = (c >= '+' && c <= 'z') ? base64DigitValue(static_cast<char>(c)) : -1;
        if (v < 0)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            dst[written++] = static_cast<unsigned char>(bits >> bitCount);
            bits &= (1u << bitCount) - 1;
        }
    }
    dst[written] = 0;
    out.setSize(start + written);
    return true;
}

bool ContentCoding::encodeQuotedPrintable(const void* bytes, uint32_t n, StringBuffer& out) const {
    if (bytes == nullptr && n > 0)
        return false;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    LineWriter writer(out, m_lineLength);
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n') {
            writer.hardBreak();
            ++i;
            continue;
        }
        bool beforeBreak = i + 1 == n || (p[i + 1] == '\r' && i + 2 < n && p[i + 2] == '\n');
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !beforeBreak);
        if (literal) {
            char one = static_cast<char>(c);
            writer.put(&one, 1, "=");
        } else {
            char escape[3] = {'=', kHexDigits[c >> 4], kHexDigits[c & 15]};
            writer.put(escape, 3, "=");
        }
    }
    return true;
}

bool ContentCoding::decodeQuotedPrintable(const char* text, uint32_t n, DataBuffer& out) const {
    if (text == nullptr)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (uint32_t i = 0; i < n && p[i] != 0; ++i) {
        unsigned char c = p[i];
        if (c != '=') {
            out.appendByte(c);
            continue;
        }
        if (i + 1 < n && p[i + 1] == '\n') {
            i += 1;
        } else if (i + 2 < n && p[i + 1] == '\r' && p[i + 2] == '\n') {
            i += 2;
        } else if (i + 2 < n && hexDigitValue(static_cast<char>(p[i + 1])) >= 0 &&
                   hexDigitValue(static_cast<char>(p[i + 2])) >= 0) {
            out.appendByte(static_cast<unsigned char>(hexDigitValue(static_cast<char>(p[i + 1])) * 16 +
                                                      hexDigitValue(static_cast<char>(p[i + 2]))));
            i += 2;
        } else {
            out.appendByte(c);
        }
    }
    return true;
}

bool ContentCoding::encodeWordB(const void* bytes, uint32_t n, const char* charset, StringBuffer& out) const {
    ContentCoding oneLine;
    StringBuffer encoded;
    if (!oneLine.encodeBase64(bytes, n, encoded))
        return false;
    out.append("=?");
    out.append(charset == nullptr ? "utf-8" : charset);
    out.append("?B?");
    out.appendSb(encoded);
    out.append("?=");
    return true;
}

bool ContentCoding::encodeWordQ(const void* bytes, uint32_t n, const char* charset, StringBuffer& out) const {
    if (bytes == nullptr && n > 0)
        return false;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    out.append("=?");
    out.append(charset == nullptr ? "utf-8" : charset);
    out.append("?Q?");
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        if (c == ' ') {
            out.appendChar('_');
        } else if (c > 32 && c < 127 && c != '=' && c != '?' && c != '_') {
            out.appendChar(static_cast<char>(c));
        } else {
            char escape[3] = {'=', kHexDigits[c >> 4], kHexDigits[c & 15]};
            out.appendN(escape, 3);
        }
    }
    out.append("?=");
    return true;
}

void ContentCoding::foldHeader(const char* value, int maxLine, StringBuffer& out) {
    if (value == nullptr)
        return;
    int length = static_cast<int>(std::strlen(value));
    int lineStart = 0;
    while (length - lineStart > maxLine && maxLine > 0) {
        int cut = -1;
        for (int i = lineStart + maxLine - 1; i > lineStart; --i) {
            if (value[i] == ' ') {
                cut = i + 1;
                break;
            }
        }
        if (cut < 0) {
            const char* blank = std::strchr(value + lineStart + maxLine, ' ');
            if (blank == nullptr || blank[1] == 0)
                break;
            cut = static_cast<int>(blank - value) + 1;
        }
        out.appendN(value + lineStart, cut - lineStart);
        out.append("\r\n\t");
        lineStart = cut;
    }
    out.append(value + lineStart);
}

uint32_t ContentCoding::encodedLength(uint32_t n) const {
    uint64_t chars = (static_cast<uint64_t>(n) + 2) / 3 * 4;
    if (m_lineLength > 0) {
        uint64_t perLine = static_cast<uint64_t>(m_lineLength) / 4 * 4;
        if (perLine == 0)
            perLine = 4;
        uint64_t lines = (chars + perLine - 1) / perLine;
        if (lines > 1)
            chars += (lines - 1) * 2;
    }
    return chars > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(chars);
}
