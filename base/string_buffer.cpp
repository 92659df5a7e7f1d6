// StringBuffer: the growable 8-bit string. Blocks come from new[]; every size is kept within
// the 32-bit signed range, and an operation whose result would not fit leaves the text unchanged.
#include "base/string_buffer.h"

#include "base/ascii.h"
#include "base/data_buffer.h"
#include "base/ext_ptr_array.h"
#include "base/platform.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

namespace {

constexpr uint8_t kMarkerAlive = 0xAA;
constexpr int kDefaultGrowBy = 200;
constexpr int kMaxGrowBy = 500000;
constexpr int kNullTextCapacity = 4;

int growByOrDefault(int growBy) {
    if (growBy <= 0)
        return kDefaultGrowBy;
    return growBy < kMaxGrowBy ? growBy : kMaxGrowBy;
}

// The length of a C string as a buffer length; false when it is too long to be held.
bool textLength(const char* s, int& n) {
    size_t len = std::strlen(s);
    if (len > static_cast<size_t>(StringBuffer::kMaxLength))
        return false;
    n = static_cast<int>(len);
    return true;
}

// The text of every buffer that has never held a byte: most buffers are made and dropped empty,
// and they then cost no allocation. Never written: a buffer on it has capacity 0.
const char kNoText[1] = {0};

char* newTerminatedBlock(int capacity) {
    char* block = new char[capacity];
    block[0] = 0;
    return block;
}

// The destroyed object's fields are written through volatile so the stores are kept even
// though the object's lifetime ends right after them.
template <typename T> void poison(T& field, T value) {
    *static_cast<volatile T*>(&field) = value;
}

bool isTrimByte(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0;
}

bool isDecorationByte(unsigned char c) {
    return c == '-' || c == '*' || c == '/' || c == '@' || c == '\'' || c == '"';
}

bool isOneOf(char c, const char* set) {
    return c != 0 && std::strchr(set, c) != nullptr;
}

bool bytesEqual(const char* a, const char* b, int n, bool caseSensitive) {
    if (caseSensitive)
        return std::memcmp(a, b, static_cast<size_t>(n)) == 0;
    for (int i = 0; i < n; ++i) {
        if (lowerAscii(static_cast<unsigned char>(a[i])) != lowerAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Index of the leftmost place at or after `from` where needle fits in hay, or -1.
int findSegment(const char* hay, int hayLen, int from, const char* needle, int needleLen,
                bool caseSensitive) {
    for (int i = from; i + needleLen <= hayLen; ++i) {
        if (bytesEqual(hay + i, needle, needleLen, caseSensitive))
            return i;
    }
    return -1;
}

// Pattern match with '*' standing for any run of bytes, over the whole text.
bool wildcardMatch(const char* text, int textLen, const char* pattern, bool caseSensitive) {
    int patLen = static_cast<int>(strnlen(pattern, static_cast<size_t>(StringBuffer::kMaxLength)));
    const char* firstStar = static_cast<const char*>(std::memchr(pattern, '*', static_cast<size_t>(patLen)));

    // 1. An empty text matches only an empty pattern or one made of '*' alone.
    if (textLen == 0)
        return std::strspn(pattern, "*") == static_cast<size_t>(patLen);
    // 2. A non-empty text never matches an empty pattern.
    if (patLen == 0)
        return false;
    // 3. Without '*' the whole text must equal the pattern.
    if (firstStar == nullptr)
        return textLen == patLen && bytesEqual(text, pattern, patLen, caseSensitive);

    // 4. The part before the first '*' must begin the text.
    int prefixLen = static_cast<int>(firstStar - pattern);
    if (prefixLen > textLen || !bytesEqual(text, pattern, prefixLen, caseSensitive))
        return false;
    int pos = prefixLen;
    int p = prefixLen;
    while (true) {
        while (p < patLen && pattern[p] == '*')
            ++p;
        if (p == patLen)
            return true;
        int segEnd = p;
        while (segEnd < patLen && pattern[segEnd] != '*')
            ++segEnd;
        int segLen = segEnd - p;
        if (segEnd == patLen) {
            // The last segment must equal the end of the remaining text.
            return textLen - pos >= segLen &&
                   bytesEqual(text + textLen - segLen, pattern + p, segLen, caseSensitive);
        }
        int found = findSegment(text, textLen, pos, pattern + p, segLen, caseSensitive);
        if (found < 0)
            return false;
        pos = found + segLen;
        p = segEnd;
    }
}

void addPart(ExtPtrArray& out, const char* p, int n) {
    // Built at exactly its size, so the part already takes no more memory than minimizeMemory leaves.
    auto* part = new StringBuffer(reinterpret_cast<const unsigned char*>(p), n, 0);
    part->minimizeMemory();
    out.appendPtr(part);
}

} // namespace

// ---- Life cycle ----

StringBuffer::StringBuffer()
    : m_marker(kMarkerAlive), m_text(const_cast<char*>(kNoText)), m_capacity(0), m_length(0),
      m_growBy(kDefaultGrowBy) {}

StringBuffer::StringBuffer(const char* s) : m_marker(kMarkerAlive), m_length(0), m_growBy(kDefaultGrowBy) {
    int n = 0;
    if (s == nullptr || !textLength(s, n)) {
        m_capacity = kNullTextCapacity;
        m_text = newTerminatedBlock(m_capacity);
        return;
    }
    m_capacity = n + 1;
    m_text = new char[m_capacity];
    std::memcpy(m_text, s, static_cast<size_t>(n) + 1);
    m_length = n;
}

StringBuffer::StringBuffer(const StringBuffer& o)
    : ZelcoraObject(), m_marker(kMarkerAlive), m_growBy(kDefaultGrowBy) {
    checkAlive(&o);
    m_length = o.m_length;
    if (m_length == 0) {
        m_text = const_cast<char*>(kNoText);
        m_capacity = 0;
        return;
    }
    m_capacity = o.m_length + 1;
    m_text = new char[m_capacity];
    std::memcpy(m_text, o.m_text, static_cast<size_t>(m_length) + 1);
}

StringBuffer::StringBuffer(const unsigned char* bytes, int n, int growBy)
    : m_marker(kMarkerAlive), m_growBy(growByOrDefault(growBy)) {
    if (bytes == nullptr || n < 0 || n > kMaxLength)
        n = 0;
    m_length = n;
    m_capacity = n + 1;
    m_text = new char[m_capacity];
    if (n > 0)
        std::memcpy(m_text, bytes, static_cast<size_t>(n));
    m_text[n] = 0;
}

StringBuffer::StringBuffer(int initialCapacity)
    : m_marker(kMarkerAlive), m_text(nullptr), m_capacity(0), m_length(0),
      m_growBy(growByOrDefault(initialCapacity)) {
    m_capacity = initialCapacity > 0 ? initialCapacity : m_growBy;
    m_text = newTerminatedBlock(m_capacity);
}

StringBuffer::~StringBuffer() {
    checkAlive(this);
    freeText();
    poison(m_marker, uint8_t{0});
    poison(m_text, reinterpret_cast<char*>(static_cast<uintptr_t>(0xDDDDDDDDDDDDDDDDull)));
    poison(m_capacity, static_cast<int32_t>(0xDDDDDDDDu));
    poison(m_length, static_cast<int32_t>(0xDDDDDDDDu));
    poison(m_growBy, static_cast<int32_t>(0xDDDDDDDDu));
}

StringBuffer& StringBuffer::operator=(const StringBuffer& o) {
    setSb(o);
    return *this;
}

// The marker is read on an object that may already be destroyed: that is the point of the
// check, so the dynamic-type check of the sanitizer is left out here.
__attribute__((no_sanitize("vptr"))) void StringBuffer::checkAlive(const StringBuffer* self) {
    if (self->m_marker != kMarkerAlive) {
        std::fprintf(stderr, "StringBuffer: bad liveness marker, object used after destruction\n");
        std::abort();
    }
}

// ---- Internal helpers ----

bool StringBuffer::ensureRoom(int n, int extra, bool adjustGrowBy) {
    if (n <= 0)
        return true;
    int64_t needed = static_cast<int64_t>(m_length) + n;
    if (needed < m_capacity)
        return true;
    // The first block is the one an empty buffer used to be born with.
    if (m_capacity == 0 && needed < m_growBy) {
        m_text = newTerminatedBlock(m_growBy);
        m_capacity = m_growBy;
        return true;
    }
    // Past the capped increment the reserve keeps growing with the text (half of it), so a text
    // of many megabytes built in small pieces is not copied once per half megabyte.
    int64_t reserve = m_growBy;
    if (adjustGrowBy && m_growBy >= kMaxGrowBy)
        reserve = std::max<int64_t>(reserve, needed / 2);
    if (needed > kMaxLength || static_cast<int64_t>(m_growBy) + needed + extra > INT32_MAX)
        return false;
    int64_t newCapacity = std::min<int64_t>(reserve + needed + extra, INT32_MAX);
    char* block = new char[newCapacity];
    std::memcpy(block, m_text, static_cast<size_t>(m_length) + 1);
    freeText();
    m_text = block;
    m_capacity = static_cast<int32_t>(newCapacity);
    if (adjustGrowBy && m_growBy < m_capacity && m_growBy < kMaxGrowBy) {
        int half = m_capacity / 2;
        m_growBy = half < kMaxGrowBy ? half : kMaxGrowBy;
    }
    return true;
}

void StringBuffer::appendRaw(const char* p, int n, int extra) {
    if (p == nullptr || n <= 0)
        return;
    if (pointsInto(p)) {
        StringBuffer copy(reinterpret_cast<const unsigned char*>(p), n, 0);
        appendRaw(copy.m_text, n, extra);
        return;
    }
    if (!ensureRoom(n, extra, true))
        return;
    std::memcpy(m_text + m_length, p, static_cast<size_t>(n));
    m_length += n;
    m_text[m_length] = 0;
}

void StringBuffer::freeText() {
    if (m_capacity > 0)
        delete[] m_text;
}

void StringBuffer::terminate() {
    if (m_capacity > 0)
        m_text[m_length] = 0;
}

void StringBuffer::replaceText(char* block, int capacity, int length) {
    freeText();
    m_text = block;
    m_capacity = capacity;
    m_length = length;
}

bool StringBuffer::pointsInto(const void* p) const {
    const char* c = static_cast<const char*>(p);
    std::less_equal<const char*> le;
    std::less<const char*> lt;
    return le(m_text, c) && lt(c, m_text + m_capacity);
}

void StringBuffer::trimEnds(bool (*inSet)(unsigned char)) {
    int start = 0;
    while (start < m_length && inSet(static_cast<unsigned char>(m_text[start])))
        ++start;
    if (start > 0) {
        std::memmove(m_text, m_text + start, static_cast<size_t>(m_length - start));
        m_length -= start;
    }
    while (m_length > 0 && inSet(static_cast<unsigned char>(m_text[m_length - 1])))
        --m_length;
    terminate();
}

// ---- Accessors ----

const char* StringBuffer::getString() const {
    checkAlive(this);
    return m_text;
}

int StringBuffer::getSize() const {
    checkAlive(this);
    return m_length;
}

char StringBuffer::charAt(int i) const {
    if (i < 0 || i >= m_length)
        return 0;
    return m_text[i];
}

char StringBuffer::lastChar() const {
    checkAlive(this);
    return m_length > 0 ? m_text[m_length - 1] : 0;
}

// ---- Appending ----

void StringBuffer::append(const char* s) {
    checkAlive(this);
    int n = 0;
    if (s == nullptr || !textLength(s, n))
        return;
    appendRaw(s, n, 1);
}

void StringBuffer::appendChar(char c) {
    checkAlive(this);
    if (!ensureRoom(1, 1, true))
        return;
    m_text[m_length++] = c;
    m_text[m_length] = 0;
}

void StringBuffer::appendCharN(char c, int n) {
    checkAlive(this);
    if (n <= 0 || !ensureRoom(n, 1, true))
        return;
    std::memset(m_text + m_length, static_cast<unsigned char>(c), static_cast<size_t>(n));
    m_length += n;
    m_text[m_length] = 0;
}

void StringBuffer::appendN(const void* bytes, int n) {
    checkAlive(this);
    appendRaw(static_cast<const char*>(bytes), n, 0);
}

void StringBuffer::appendSb(const StringBuffer& o) {
    checkAlive(this);
    checkAlive(&o);
    appendRaw(o.m_text, o.m_length, 1);
}

void StringBuffer::appendInt(int v) {
    checkAlive(this);
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%d", v);
    append(digits);
}

void StringBuffer::prepend(const char* s) {
    checkAlive(this);
    int n = 0;
    if (s == nullptr || !textLength(s, n) || n == 0)
        return;
    if (pointsInto(s)) {
        StringBuffer copy(s);
        prepend(copy.m_text);
        return;
    }
    if (!ensureRoom(n, 1, false))
        return;
    std::memmove(m_text + n, m_text, static_cast<size_t>(m_length) + 1);
    std::memcpy(m_text, s, static_cast<size_t>(n));
    m_length += n;
}

void StringBuffer::appendHexDump(const unsigned char* p, int n) {
    checkAlive(this);
    if (p == nullptr)
        return;
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < n; ++i) {
        appendChar(kHex[p[i] >> 4]);
        appendChar(kHex[p[i] & 0x0F]);
        if ((i + 1) % 2 == 0)
            appendChar(' ');
        if ((i + 1) % 16 == 0)
            appendChar('\n');
    }
}

void StringBuffer::appendLastError() {
    checkAlive(this);
    int code = Platform::LastErrorCode();
    Platform::AppendErrorText(code, *this);
    trim();
}

// ---- Setting and clearing ----

void StringBuffer::setString(const char* s) {
    checkAlive(this);
    if (s == nullptr) {
        clear();
        return;
    }
    if (pointsInto(s)) {
        // Text of our own block: it already fits, so it only moves to the front.
        size_t room = static_cast<size_t>(m_text + m_capacity - s);
        size_t n = strnlen(s, room);
        if (n == room)
            --n;
        std::memmove(m_text, s, n);
        m_length = static_cast<int>(n);
        m_text[m_length] = 0;
        return;
    }
    clear();
    append(s);
}

void StringBuffer::setSb(const StringBuffer& o) {
    checkAlive(this);
    checkAlive(&o);
    if (&o == this)
        return;
    clear();
    appendRaw(o.m_text, o.m_length, 1);
}

void StringBuffer::clear() {
    checkAlive(this);
    m_length = 0;
    terminate();
}

char* StringBuffer::takeString(int* len) {
    checkAlive(this);
    char* taken = m_capacity > 0 ? m_text : newTerminatedBlock(1);
    if (len != nullptr)
        *len = m_length;
    m_text = const_cast<char*>(kNoText);
    m_capacity = 0;
    m_length = 0;
    return taken;
}

void StringBuffer::swap(StringBuffer& o) {
    checkAlive(this);
    checkAlive(&o);
    std::swap(m_text, o.m_text);
    std::swap(m_capacity, o.m_capacity);
    std::swap(m_length, o.m_length);
    std::swap(m_growBy, o.m_growBy);
}

void StringBuffer::expectNumBytes(int n) {
    checkAlive(this);
    ensureRoom(n, 1, false);
}

void StringBuffer::minimizeMemory() {
    checkAlive(this);
    if (m_capacity <= static_cast<int64_t>(m_length) + 4)
        return;
    char* block = new char[m_length + 1];
    std::memcpy(block, m_text, static_cast<size_t>(m_length) + 1);
    replaceText(block, m_length + 1, m_length);
}

// ---- Editing in place ----

void StringBuffer::trim() {
    checkAlive(this);
    trimEnds(isTrimByte);
}

void StringBuffer::trimDecoration() {
    checkAlive(this);
    trimEnds(isDecorationByte);
}

void StringBuffer::collapseWhitespace() {
    checkAlive(this);
    static constexpr auto kBlank = [] {
        std::array<bool, 256> blank{};
        for (unsigned char c : {' ', '\r', '\t', '\n', '\xA0'})
            blank[c] = true;
        return blank;
    }();
    const char* r = m_text;
    const char* end = m_text + m_length;
    char* w = m_text;
    while (r < end) {
        // A run of other bytes is copied as it is; a run of blanks becomes one.
        while (r < end && !kBlank[static_cast<unsigned char>(*r)])
            *w++ = *r++;
        if (r == end)
            break;
        if (w == m_text || w[-1] != ' ')
            *w++ = ' ';
        while (r < end && kBlank[static_cast<unsigned char>(*r)])
            ++r;
    }
    m_length = static_cast<int32_t>(w - m_text);
    terminate();
}

void StringBuffer::removeChar(char c) {
    checkAlive(this);
    removeCharFrom(c, 0);
}

void StringBuffer::removeCharFrom(char c, int start) {
    checkAlive(this);
    if (start < 0 || start >= m_length)
        return;
    int w = start;
    for (int r = start; r < m_length; ++r) {
        if (m_text[r] != c)
            m_text[w++] = m_text[r];
    }
    m_length = w;
    terminate();
}

void StringBuffer::truncateAtChar(char c) {
    checkAlive(this);
    const void* at = std::memchr(m_text, static_cast<unsigned char>(c), static_cast<size_t>(m_length));
    if (at == nullptr)
        return;
    m_length = static_cast<int>(static_cast<const char*>(at) - m_text);
    terminate();
}

void StringBuffer::shorten(int n) {
    checkAlive(this);
    if (n <= 0)
        return;
    m_length = n >= m_length ? 0 : m_length - n;
    terminate();
}

void StringBuffer::removeChunk(int start, int n) {
    checkAlive(this);
    if (start < 0 || start >= m_length || n <= 0 || n > m_length - start)
        return;
    std::memmove(m_text + start, m_text + start + n, static_cast<size_t>(m_length - start - n) + 1);
    m_length -= n;
}

void StringBuffer::replaceChar(char from, char to) {
    checkAlive(this);
    // memchr skips the long stretches without the byte far faster than a byte loop.
    char* end = m_text + m_length;
    for (char* p = m_text; p < end; ++p) {
        p = static_cast<char*>(std::memchr(p, from, static_cast<size_t>(end - p)));
        if (p == nullptr)
            return;
        *p = to;
    }
}

void StringBuffer::replaceAnyOf(const char* set, int setSize, char to) {
    checkAlive(this);
    if (set == nullptr)
        return;
    unsigned char table[256];
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c);
    for (int i = 0; i < setSize; ++i)
        table[static_cast<unsigned char>(set[i])] = static_cast<unsigned char>(to);
    mapBytes(table);
}

void StringBuffer::replaceAnyOf5(const char set[5], char to) {
    replaceAnyOf(set, 5, to);
}

bool StringBuffer::replaceFirst(const char* find, const char* repl) {
    checkAlive(this);
    if (find == nullptr || *find == 0)
        return false;
    if (pointsInto(find) || (repl != nullptr && pointsInto(repl))) {
        StringBuffer findCopy(find);
        StringBuffer replCopy(repl);
        return replaceFirst(findCopy.m_text, repl != nullptr ? replCopy.m_text : nullptr);
    }
    const char* at = std::strstr(m_text, find);
    if (at == nullptr)
        return false;
    if (repl == nullptr)
        return true;
    int findLen = 0;
    int replLen = 0;
    if (!textLength(find, findLen) || !textLength(repl, replLen))
        return false;
    int offset = static_cast<int>(at - m_text);
    if (replLen > findLen && !ensureRoom(replLen - findLen, 1, true))
        return false;
    std::memmove(m_text + offset + replLen, m_text + offset + findLen,
                 static_cast<size_t>(m_length - offset - findLen) + 1);
    std::memcpy(m_text + offset, repl, static_cast<size_t>(replLen));
    m_length += replLen - findLen;
    return true;
}

int StringBuffer::replaceAll(const char* find, const char* repl) {
    checkAlive(this);
    if (find == nullptr || *find == 0)
        return 0;
    if (pointsInto(find) || (repl != nullptr && pointsInto(repl))) {
        StringBuffer findCopy(find);
        StringBuffer replCopy(repl);
        return replaceAll(findCopy.m_text, repl != nullptr ? replCopy.m_text : nullptr);
    }
    int findLen = 0;
    int replLen = 0;
    if (!textLength(find, findLen) || (repl != nullptr && !textLength(repl, replLen)))
        return 0;
    // Searched through views: a sanitizer's strstr measures the whole rest of the text on every
    // call, which makes a text with many matches quadratic in that build.
    std::string_view needle(find, static_cast<size_t>(findLen));
    std::string_view text(m_text, std::strlen(m_text));
    int count = 0;
    for (size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + needle.size()))
        ++count;
    if (count == 0 || repl == nullptr)
        return count;
    int64_t newLength = static_cast<int64_t>(m_length) + static_cast<int64_t>(count) * (replLen - findLen);
    if (newLength > kMaxLength)
        return 0;

    // Rebuild from a copy of the old text, so inserted text is never searched again.
    StringBuffer old(reinterpret_cast<const unsigned char*>(m_text), m_length, 0);
    if (newLength > m_length && !ensureRoom(static_cast<int>(newLength - m_length), 1, true))
        return 0;
    std::string_view oldText(old.m_text, text.size());
    size_t from = 0;
    char* dst = m_text;
    for (size_t at = oldText.find(needle); at != std::string_view::npos; at = oldText.find(needle, from)) {
        std::memcpy(dst, old.m_text + from, at - from);
        dst += at - from;
        std::memcpy(dst, repl, static_cast<size_t>(replLen));
        dst += replLen;
        from = at + needle.size();
    }
    std::memcpy(dst, old.m_text + from, static_cast<size_t>(old.m_length) - from);
    m_length = static_cast<int>(newLength);
    terminate();
    return count;
}

void StringBuffer::mapBytes(const unsigned char* table) {
    checkAlive(this);
    // Local bounds: a store through a char pointer could change any member, so a loop over the
    // members would read them again at every byte.
    auto* p = reinterpret_cast<unsigned char*>(m_text);
    const unsigned char* end = p + m_length;
    for (; p < end; ++p)
        *p = table[*p];
}

void StringBuffer::toLowerCase() {
    checkAlive(this);
    // One table load a byte instead of three range tests.
    static constexpr auto kLower = [] {
        std::array<unsigned char, 256> table{};
        for (int c = 0; c < 256; ++c) {
            auto b = static_cast<unsigned char>(c);
            if (b < 0x80)
                b = lowerAscii(b);
            else if (b >= 0xC0 && b <= 0xDF)
                b = static_cast<unsigned char>(b + 0x20);
            table[static_cast<size_t>(c)] = b;
        }
        return table;
    }();
    // Eight ASCII bytes at a time: a byte from 'A' to 'Z' is the one that reaches 0x80 when 0x3F is
    // added but not when 0x25 is, and it gains 0x20. Below 0x80 no sum carries into the next byte.
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    int i = 0;
    for (; i + 8 <= m_length; i += 8) {
        uint64_t w;
        std::memcpy(&w, m_text + i, 8);
        if ((w & kHigh) != 0) {
            for (int k = i; k < i + 8; ++k)
                m_text[k] = static_cast<char>(kLower[static_cast<unsigned char>(m_text[k])]);
            continue;
        }
        uint64_t capitals = (w + 0x3F3F3F3F3F3F3F3Full) & ~(w + 0x2525252525252525ull) & kHigh;
        w |= capitals >> 2;
        std::memcpy(m_text + i, &w, 8);
    }
    for (; i < m_length; ++i)
        m_text[i] = static_cast<char>(kLower[static_cast<unsigned char>(m_text[i])]);
}

void StringBuffer::toUpperCase() {
    checkAlive(this);
    for (int i = 0; i < m_length; ++i) {
        unsigned char c = static_cast<unsigned char>(m_text[i]);
        if (c < 0x80)
            c = static_cast<unsigned char>(upperAscii(static_cast<char>(c)));
        else if (c >= 0xE0)
            c = static_cast<unsigned char>(c - 0x20);
        m_text[i] = static_cast<char>(c);
    }
}

void StringBuffer::encodeXmlEntities() {
    checkAlive(this);
    replaceAll("&", "&amp;");
    replaceAll("<", "&lt;");
    replaceAll(">", "&gt;");
    replaceAll("\"", "&quot;");
}

void StringBuffer::toCrlf() {
    checkAlive(this);
    removeChar('\r');
    replaceAll("\n", "\r\n");
}

void StringBuffer::toLf() {
    checkAlive(this);
    replaceAll("\r\n", "\n");
}

void StringBuffer::pluralize() {
    checkAlive(this);
    if (m_length == 0)
        return;
    char last = m_text[m_length - 1];
    char before = m_length >= 2 ? m_text[m_length - 2] : 0;
    // 1. Already plural.
    if (last == 's')
        return;
    // 2. box, quiz.
    if (last == 'x' || last == 'z') {
        append("es");
        return;
    }
    // 3. church, dish; but month.
    if (last == 'h') {
        append(before == 'c' || before == 's' ? "es" : "s");
        return;
    }
    // 4. city; but day.
    if (last == 'y') {
        if (m_length >= 2 && !isOneOf(before, "aeiou")) {
            shorten(1);
            append("ies");
        } else {
            append("s");
        }
        return;
    }
    // 5. leaf.
    if (last == 'f') {
        shorten(1);
        append("ves");
        return;
    }
    // 6. knife.
    if (last == 'e' && before == 'f') {
        shorten(2);
        append("ves");
        return;
    }
    // 7. Everything else.
    append("s");
}

void StringBuffer::singularize() {
    checkAlive(this);
    int n = m_length;
    if (n == 0 || m_text[n - 1] != 's')
        return;
    // 1. bus, 1990s, ideas, ...
    if (n >= 2) {
        char before = m_text[n - 2];
        if ((before >= '0' && before <= '9') || isOneOf(before, "uioa"))
            return;
    }
    // 2. Look at the two bytes before the final 's'.
    if (n > 3) {
        char a = m_text[n - 3];
        char b = m_text[n - 2];
        char c = m_text[n - 4];
        if (a == 'v' && b == 'e') {
            if (n > 4 && isOneOf(c, "ioe")) {
                shorten(1);
            } else {
                shorten(3);
                appendChar('f');
            }
            return;
        }
        if (b == 's' && isOneOf(a, "oeiau"))
            return;
        if (a == 'x' && b == 'a')
            return;
        if (a == 'i' && b == 'e') {
            shorten(3);
            appendChar('y');
            return;
        }
        if ((a == 'h' || a == 'x') && b == 'e') {
            shorten(2);
            return;
        }
        if (a == 'z' && b == 'e') {
            shorten(c == 'i' ? 1 : 2);
            return;
        }
        if (a == 'o' && b == 'e')
            return;
        if (a == 'a' && b == 'y' && equalsIgnoreCase("always"))
            return;
    }
    // 3. Drop the 's'.
    shorten(1);
}

// ---- Queries ----

bool StringBuffer::equals(const char* s) const {
    checkAlive(this);
    if (s == nullptr)
        return m_length == 0;
    return std::strcmp(m_text, s) == 0;
}

bool StringBuffer::equalsSb(const StringBuffer& o) const {
    checkAlive(this);
    checkAlive(&o);
    return m_length == o.m_length && std::memcmp(m_text, o.m_text, static_cast<size_t>(m_length)) == 0;
}

bool StringBuffer::equalsIgnoreCase(const char* s) const {
    checkAlive(this);
    if (s == nullptr)
        return m_length == 0;
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_text);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s);
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (lowerAscii(*a) != lowerAscii(*b))
            return false;
    }
    return *a == *b;
}

bool StringBuffer::equalsIgnoreCaseSb(const StringBuffer& o) const {
    checkAlive(this);
    checkAlive(&o);
    return m_length == o.m_length && bytesEqual(m_text, o.m_text, m_length, false);
}

bool StringBuffer::beginsWith(const char* s) const {
    checkAlive(this);
    if (s == nullptr)
        return false;
    return std::strncmp(m_text, s, std::strlen(s)) == 0;
}

bool StringBuffer::endsWith(const char* s) const {
    if (s == nullptr)
        return false;
    size_t n = std::strlen(s);
    if (n > static_cast<size_t>(m_length))
        return false;
    return std::memcmp(m_text + m_length - n, s, n) == 0;
}

bool StringBuffer::containsChar(char c) const {
    checkAlive(this);
    return std::memchr(m_text, static_cast<unsigned char>(c), static_cast<size_t>(m_length)) != nullptr;
}

bool StringBuffer::containsSubstring(const char* s) const {
    checkAlive(this);
    return s != nullptr && std::strstr(m_text, s) != nullptr;
}

bool StringBuffer::containsSubstringNoCase(const char* s) const {
    checkAlive(this);
    return s != nullptr && containsNoCase(m_text, s);
}

bool StringBuffer::matchesWildcard(const char* pattern, bool caseSensitive) const {
    checkAlive(this);
    if (pattern == nullptr)
        return false;
    return wildcardMatch(m_text, static_cast<int>(std::strlen(m_text)), pattern, caseSensitive);
}

int StringBuffer::intValue() const {
    checkAlive(this);
    // The leading integer as "%d" reads it, clamped to the int range instead of overflowing.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(m_text);
    while (std::isspace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= INT32_MAX)
            value = value * 10 + (*p - '0');
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(value);
}

int StringBuffer::countChar(char c) const {
    int count = 0;
    for (int i = 0; i < m_length; ++i) {
        if (m_text[i] == c)
            ++count;
    }
    return count;
}

bool StringBuffer::is7bit() const {
    checkAlive(this);
    // Eight bytes at a time: any high bit in the word is a byte of 0x80 or more.
    int i = 0;
    for (; i + 8 <= m_length; i += 8) {
        uint64_t word;
        std::memcpy(&word, m_text + i, sizeof word);
        if ((word & 0x8080808080808080ull) != 0)
            return false;
    }
    for (; i < m_length; ++i) {
        if (static_cast<unsigned char>(m_text[i]) >= 0x80)
            return false;
    }
    return true;
}

// ---- Splitting ----

void StringBuffer::split(ExtPtrArray& out, char sep, bool quoteAware, bool backslashEscapes) const {
    checkAlive(this);
    if (m_length == 0)
        return;
    // Every byte is copied, escapes and quotes included, so a part is the run between two
    // separators that stand outside quotes and are not escaped.
    bool inQuotes = false;
    int partStart = 0;
    for (int i = 0; i < m_length; ++i) {
        char c = m_text[i];
        if (backslashEscapes && c == '\\') {
            ++i;
        } else if (quoteAware && c == '"') {
            inQuotes = !inQuotes;
        } else if (c == sep && !inQuotes) {
            addPart(out, m_text + partStart, i - partStart);
            partStart = i + 1;
        }
    }
    addPart(out, m_text + partStart, m_length - partStart);
}

void StringBuffer::splitOnSubstring(const StringBuffer& sep, ExtPtrArray& out, int maxParts) const {
    checkAlive(this);
    checkAlive(&sep);
    std::string_view text(m_text, static_cast<size_t>(m_length));
    std::string_view separator(sep.m_text, static_cast<size_t>(sep.m_length));
    size_t pos = 0;
    int parts = 0;
    while (pos < text.size() && (maxParts <= 0 || parts < maxParts)) {
        if (!separator.empty() && text.compare(pos, separator.size(), separator) == 0) {
            pos += separator.size();
            continue;
        }
        size_t end = separator.empty() ? std::string_view::npos : text.find(separator, pos);
        if (end == std::string_view::npos)
            end = text.size();
        addPart(out, m_text + pos, static_cast<int>(end - pos));
        ++parts;
        pos = end;
    }
}

void StringBuffer::splitNameValue(StringBuffer& name, StringBuffer& value) const {
    checkAlive(this);
    checkAlive(&name);
    checkAlive(&value);
    std::unique_ptr<StringBuffer> copy;
    const StringBuffer* src = this;
    if (&name == this || &value == this) {
        copy = std::make_unique<StringBuffer>(*this);
        src = copy.get();
    }
    name.clear();
    value.clear();
    const char* t = src->m_text;
    int n = src->m_length;
    int i = 0;
    while (i < n && isBlank(t[i]))
        ++i;
    int eq = i;
    while (eq < n && t[eq] != '=')
        ++eq;
    name.appendRaw(t + i, eq - i, 1);
    name.trim();
    if (eq >= n)
        return;
    i = eq + 1;
    while (i < n && isBlank(t[i]))
        ++i;
    if (i < n && t[i] == '"')
        ++i;
    value.appendRaw(t + i, n - i, 1);
    value.trim();
    if (value.lastChar() == '"')
        value.shorten(1);
}

// ---- Code pages ----

void StringBuffer::appendDb(const DataBuffer& d) {
    checkAlive(this);
    appendN(d.getData(), static_cast<int>(d.getSize()));
}

void StringBuffer::hexDecodeInto(DataBuffer& out) const {
    checkAlive(this);
    // Decoded in batches, so that a long text costs few appends.
    unsigned char batch[500];
    uint32_t used = 0;
    // A byte that is not a hex digit counts as 0.
    auto nibble = [](char c) { return hexDigitValue(c) < 0 ? 0 : hexDigitValue(c); };
    for (int i = 0; i + 1 < m_length; i += 2) {
        batch[used++] = static_cast<unsigned char>(nibble(m_text[i]) * 16 + nibble(m_text[i + 1]));
        if (used == sizeof(batch)) {
            out.append(batch, used);
            used = 0;
        }
    }
    out.append(batch, used);
}
