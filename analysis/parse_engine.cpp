#include "analysis/parse_engine.h"

#include "base/ascii.h"

#include <cstring>

void ParseEngine::setText(const char* text) {
    m_text.setString(text == nullptr ? "" : text);
    m_pos = 0;
}

int ParseEngine::find(const char* s, int from) const {
    int n = static_cast<int>(std::strlen(s));
    int size = m_text.getSize();
    if (n == 0)
        return from <= size ? from : -1;
    const auto* t = reinterpret_cast<const unsigned char*>(m_text.getString());
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    unsigned char first = lowerAscii(p[0]);
    for (int i = from; i + n <= size; ++i) {
        if (lowerAscii(t[i]) != first)
            continue;
        int k = 1;
        while (k < n && lowerAscii(t[i + k]) == lowerAscii(p[k]))
            ++k;
        if (k == n)
            return i;
    }
    return -1;
}

bool ParseEngine::seekTo(const char* s) {
    int at = find(s, m_pos);
    if (at < 0)
        return false;
    m_pos = at;
    return true;
}

bool ParseEngine::seekPast(const char* s) {
    int at = find(s, m_pos);
    if (at < 0)
        return false;
    m_pos = at + static_cast<int>(std::strlen(s));
    return true;
}

bool ParseEngine::captureThrough(const char* s, StringBuffer& out) {
    int at = find(s, m_pos);
    if (at < 0)
        return false;
    int end = at + static_cast<int>(std::strlen(s));
    out.appendN(m_text.getString() + m_pos, end - m_pos);
    m_pos = end;
    return true;
}

void ParseEngine::captureToCharOutsideQuotes(char c, StringBuffer& out) {
    const char* t = m_text.getString();
    int size = m_text.getSize();
    char quote = 0;
    for (int i = m_pos; i < size; ++i) {
        char b = t[i];
        if (quote != 0) {
            if (b == quote)
                quote = 0;
        } else if (b == '"' || b == '\'') {
            quote = b;
        } else if (b == c) {
            out.appendN(t + m_pos, i - m_pos);
            m_pos = i;
            return;
        }
    }
    // Unbalanced quotes: the first occurrence counts after all.
    const void* found = std::memchr(t + m_pos, c, static_cast<size_t>(size - m_pos));
    int end = found != nullptr ? static_cast<int>(static_cast<const char*>(found) - t) : size;
    out.appendN(t + m_pos, end - m_pos);
    m_pos = end;
}

void ParseEngine::skipToChar(char c) {
    while (!atEnd() && current() != c)
        ++m_pos;
}

void ParseEngine::skipAny4(char a, char b, char c, char d) {
    while (!atEnd()) {
        char x = current();
        if (x != a && x != b && x != c && x != d)
            break;
        ++m_pos;
    }
}

void ParseEngine::captureUntilAnyOf(const char* set, StringBuffer& out) {
    int start = m_pos;
    while (!atEnd() && std::strchr(set, current()) == nullptr)
        ++m_pos;
    out.appendN(m_text.getString() + start, m_pos - start);
}
