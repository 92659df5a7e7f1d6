#include "markup/html_tag_text.h"

#include "base/ascii.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "markup/html_tag_end.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Valued attributes past this count end the normal form without its `>`: a tag of thousands of
// attributes is not a real start tag.
constexpr int kMaxValuedAttributes = 100;

// Position of `needle` in the `length` bytes at `text` from `from` on, ASCII case ignored, or
// HtmlTagEndFinder::kNone.
size_t findNoCase(const char* text, size_t length, size_t from, const char* needle) {
    size_t n = std::strlen(needle);
    if (n == 0 || length < n)
        return HtmlTagEndFinder::kNone;
    char first = lowerAscii(needle[0]);
    char firstUpper = upperAscii(first);
    for (size_t i = from; i + n <= length; ++i) {
        if (first == firstUpper) {
            // A first byte without case is found by memchr.
            const void* at = std::memchr(text + i, first, length - n + 1 - i);
            if (at == nullptr)
                break;
            i = static_cast<size_t>(static_cast<const char*>(at) - text);
        } else if (text[i] != first && text[i] != firstUpper) {
            continue;
        }
        size_t k = 1;
        while (k < n && lowerAscii(text[i + k]) == lowerAscii(needle[k]))
            ++k;
        if (k == n)
            return i;
    }
    return HtmlTagEndFinder::kNone;
}

// A set of stop bytes, tested with one table look-up per byte.
class ByteSet {
public:
    constexpr explicit ByteSet(const char* bytes) : m_in() {
        for (; *bytes != '\0'; ++bytes)
            m_in[static_cast<unsigned char>(*bytes)] = true;
    }
    constexpr bool contains(char c) const { return m_in[static_cast<unsigned char>(c)]; }

private:
    bool m_in[256];
};

constexpr ByteSet kBlanks(" \t\r\n");
constexpr ByteSet kNameStops(" \t\n\r>=");
constexpr ByteSet kBareValueStops("\r\n >");

// A read position in a tag's text; the byte at or past the end reads as 0.
class TagCursor {
public:
    TagCursor(const char* text, size_t length, size_t pos) : m_text(text), m_length(length), m_pos(pos) {}

    char current() const { return m_pos < m_length ? m_text[m_pos] : '\0'; }
    void step() {
        if (m_pos < m_length)
            ++m_pos;
    }
    void skipBlanks() {
        while (m_pos < m_length && kBlanks.contains(m_text[m_pos]))
            ++m_pos;
    }
    // Moves to the next byte of `stops` (or the end) and answers the bytes passed over.
    const char* passUntil(const ByteSet& stops, size_t& n) {
        size_t start = m_pos;
        while (m_pos < m_length && !stops.contains(m_text[m_pos]))
            ++m_pos;
        n = m_pos - start;
        return m_text + start;
    }
    // Appends bytes to `out` until one of `stops` or the end; the position stays on the stop.
    void captureUntilAny(const ByteSet& stops, std::string& out) {
        size_t n = 0;
        const char* start = passUntil(stops, n);
        out.append(start, n);
    }
    void captureUntil(char stop, std::string& out) {
        const void* found = std::memchr(m_text + m_pos, stop, m_length - m_pos);
        size_t end =
            found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - m_text) : m_length;
        out.append(m_text + m_pos, end - m_pos);
        m_pos = end;
    }

private:
    const char* m_text;
    size_t m_length;
    size_t m_pos;
};

// Where the tag ends after a value or an unexpected byte, CR is dropped and LF becomes a blank.
void applyLineBreakRule(std::string& out) {
    if (out.find('\r') != std::string::npos)
        out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    if (out.find('\n') != std::string::npos)
        std::replace(out.begin(), out.end(), '\n', ' ');
}

// The trim of the string buffer: blanks, TAB, CR, LF and the byte 0xA0 at the end. (The normal
// form starts with `<`, so nothing is trimmed at the front.)
void trimEnd(std::string& out) {
    while (!out.empty() && (isBlank(out.back()) || static_cast<unsigned char>(out.back()) == 0xA0))
        out.pop_back();
}

// The value after `=`: quoted as written, or a bare value given the quote it needs. Answers the
// quote that closes it.
char appendValue(TagCursor& cursor, std::string& out) {
    char quote = cursor.current();
    if (quote == '"' || quote == '\'') {
        cursor.step();
        out.push_back(quote);
        cursor.captureUntil(quote, out);
        return quote;
    }
    size_t n = 0;
    const char* value = cursor.passUntil(kBareValueStops, n);
    quote = std::memchr(value, '"', n) != nullptr ? '\'' : '"';
    out.push_back(quote);
    out.append(value, n);
    return quote;
}

// The normal form of the tag from the cursor's `<` on, into `out`; answers where it ended.
HtmlTagText::TagEnding normalise(TagCursor& cursor, std::string& out) {
    // The name, with a `>` right behind it captured along.
    out.push_back('<');
    cursor.step();
    cursor.skipBlanks();
    cursor.captureUntilAny(kBlanks, out);
    cursor.skipBlanks();
    if (cursor.current() == '>') {
        out.push_back('>');
        return HtmlTagText::TagEnding::AfterName;
    }

    int valued = 0;
    for (;;) {
        // The attribute's blank and name go to `out` at once and are taken back if no
        // attribute follows after all.
        size_t nameStart = out.size();
        out.push_back(' ');
        while (cursor.current() == '"' || cursor.current() == '\'')
            cursor.step();
        cursor.captureUntilAny(kNameStops, out);
        cursor.skipBlanks();
        char c = cursor.current();
        if (isAsciiLetter(c))
            continue; // a value-less attribute, and another one follows
        if (c == '>') {
            out.push_back('>');
            return HtmlTagText::TagEnding::AfterValueless;
        }
        if (c != '=') {
            // Anything else, or the end of the text, where an attribute should follow.
            out.resize(nameStart);
            trimEnd(out);
            if (out.empty() || out.back() != '>')
                out.push_back('>');
            applyLineBreakRule(out);
            return HtmlTagText::TagEnding::Unexpected;
        }
        out.push_back('=');
        cursor.step();
        cursor.skipBlanks();
        if (cursor.current() == '\\')
            cursor.step();
        char quote = appendValue(cursor, out);
        cursor.skipBlanks();
        if (cursor.current() == '"' || cursor.current() == '\'')
            cursor.step();
        if (out.back() == '\\')
            out.pop_back();
        out.push_back(quote);
        cursor.skipBlanks();
        if (cursor.current() == '>') {
            out.push_back('>');
            applyLineBreakRule(out);
            return HtmlTagText::TagEnding::AfterValue;
        }
        if (++valued > kMaxValuedAttributes) {
            applyLineBreakRule(out);
            return HtmlTagText::TagEnding::TooManyAttributes;
        }
    }
}

// How many bytes of no-break space end the value at `end`: the UTF-8 pair C2 A0, or a lone byte
// 0xA0 that does not end another UTF-8 character ("voil\xC3\xA0" keeps its last letter); 0 when
// none.
size_t trailingNoBreakSpace(const char* start, const char* end) {
    if (end == start || static_cast<unsigned char>(end[-1]) != 0xA0)
        return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(start);
    auto n = static_cast<size_t>(end - start);
    for (size_t back = 2; back <= 4 && back <= n; ++back) {
        char32_t c;
        if (decodeUtf8(s + n - back, static_cast<int>(back), c) == static_cast<int>(back))
            return c == 0xA0 ? 2 : 0;
    }
    return 1;
}

} // namespace

HtmlTagText::TagEnding HtmlTagText::cleanTag(const char* tagText, size_t length, StringBuffer& out) {
    out.clear();
    const void* lt = tagText != nullptr ? std::memchr(tagText, '<', length) : nullptr;
    if (lt == nullptr)
        return TagEnding::NoTag;
    TagCursor cursor(tagText, length, static_cast<size_t>(static_cast<const char*>(lt) - tagText));
    // Built in a scratch string of the thread and handed over in one piece: the form is written
    // a few bytes at a time.
    thread_local std::string form;
    form.clear();
    TagEnding ending = normalise(cursor, form);
    out.appendN(form.data(), static_cast<int>(form.size()));
    return ending;
}

void HtmlTagText::getAttributeValue(const char* tagText, const char* attributeName, StringBuffer& out) {
    out.clear();
    if (tagText == nullptr || attributeName == nullptr)
        return;
    size_t length = std::strlen(tagText);
    char quote = '"';
    StringBuffer needle(attributeName);
    needle.append("=\"");
    size_t at = findNoCase(tagText, length, 0, needle.getString());
    if (at == HtmlTagEndFinder::kNone) {
        quote = '\'';
        needle.shorten(1);
        needle.appendChar('\'');
        at = findNoCase(tagText, length, 0, needle.getString());
        if (at == HtmlTagEndFinder::kNone)
            return;
    }
    const char* start = tagText + at + needle.getSize();
    const char* end = std::strchr(start, quote);
    if (end == nullptr)
        return;
    for (;;) {
        if (start < end && (isBlank(*start) || static_cast<unsigned char>(*start) == 0xA0))
            ++start;
        else if (end - start >= 2 && static_cast<unsigned char>(start[0]) == 0xC2 &&
                 static_cast<unsigned char>(start[1]) == 0xA0)
            start += 2;
        else
            break;
    }
    for (;;) {
        size_t space = trailingNoBreakSpace(start, end);
        if (end > start && isBlank(end[-1]))
            --end;
        else if (space > 0)
            end -= space;
        else
            break;
    }
    out.appendN(start, static_cast<int>(end - start));
    if (out.containsChar('\\'))
        out.replaceChar('\\', '/');
}
