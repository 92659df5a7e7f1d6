// ParseEngine: a text cursor over a copy of an 8-bit text, with the few moves the head-field
// readers and the word counter need. Every move stops at the end of the text.
#pragma once

#include "base/string_buffer.h"

class ParseEngine {
public:
    ParseEngine() = default;

    // Copies the text and puts the cursor at its start.
    void setText(const char* text);
    int position() const { return m_pos; }
    void setPosition(int pos) { m_pos = pos < 0 ? 0 : (pos > m_text.getSize() ? m_text.getSize() : pos); }
    bool atEnd() const { return m_pos >= m_text.getSize(); }
    // The byte at index i, 0 beyond the end.
    char charAt(int i) const { return i >= 0 && i < m_text.getSize() ? m_text.getString()[i] : 0; }
    char current() const { return charAt(m_pos); }
    void step() {
        if (m_pos < m_text.getSize())
            ++m_pos;
    }

    // Finds `s` (ASCII case ignored) at or after the cursor; the cursor moves to the match, or
    // past it. False, with the cursor unchanged, when there is none.
    bool seekTo(const char* s);
    bool seekPast(const char* s);
    // Appends everything from the cursor through the next `s` (case ignored) to out and moves
    // past it; false, appending nothing, when there is none.
    bool captureThrough(const char* s, StringBuffer& out);
    // Appends the bytes before the next `c` that stands outside quotes, leaving the cursor on it.
    // When no such byte exists, captures up to the first `c` regardless of quotes, or to the end.
    void captureToCharOutsideQuotes(char c, StringBuffer& out);
    void skipToChar(char c);
    // Advances while the current byte is one of the four.
    void skipAny4(char a, char b, char c, char d);
    // Appends bytes until the current byte is one of `set` or the end.
    void captureUntilAnyOf(const char* set, StringBuffer& out);

private:
    // Index of `s` (case ignored) at or after `from`, or -1.
    int find(const char* s, int from) const;

    StringBuffer m_text;
    int m_pos = 0;
};
