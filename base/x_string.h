// XString: text held in up to three forms (the system's ANSI code page, UTF-8 and UTF-16LE) that
// converts between them on demand. The library's public classes take and return it. A setter
// makes its form the only valid one; a getter converts into its form when that form is not
// valid, leaving the source form valid as well. At least one form is valid at any time; an empty
// string has all three. UTF-16 text is handled as char16_t units (wchar_t is 32 bits here).
// Defined in the charset library (charset/x_string.cpp): nearly every member converts.
#pragma once

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/zelcora_object.h"

#include <cstdint>

class XString : public ZelcoraObject {
public:
    enum AnsiState : int32_t { kAnsiUnknown = 0, kAnsiYes = 1, kAnsiNo = 2 };

    XString();
    XString(const XString&) = delete;
    XString& operator=(const XString&) = delete;

    // Setters. A null or empty text empties the string.
    void setFromAnsi(const char* s);
    void setFromUtf8(const char* s);
    void setFromUtf16(const char16_t* s);
    void setFromUtf16(const char16_t* s, int numChars);

    // Getters; each converts into its form first when that form is not valid. The pointers stay
    // valid until the string is next changed.
    const char* getAnsi();
    const char* getUtf8();
    // The UTF-16LE units, followed by a zero unit.
    const char16_t* getUtf16();

    bool isAnsiCurrent() const { return m_ansiValid; }
    bool isUtf8Current() const { return m_utf8Valid; }
    bool isUtf16Current() const { return m_utf16Valid; }
    AnsiState ansiState() const { return m_ansiState; }

    // Whether the text converts to the ANSI code page without loss. The answer is remembered and
    // the converted ANSI form becomes valid.
    bool canBeAnsi();

    // The ANSI length when the ANSI form is valid, otherwise the number of UTF-16 units.
    int getNumChars();

    // replaceAll on the UTF-8 form; when anything was replaced, the other forms become invalid.
    // Answers the number of replacements.
    int replaceAllUtf8(const char* find, const char* replacement);
    // Lower-cases the ANSI form byte by byte; it becomes the only valid form.
    void toLowerAnsi();
    void copyFrom(const XString& o);
    bool isEmpty();

    // The process's current directory or temporary directory, as UTF-8.
    bool setToCurrentDirectory();
    bool setToTempPath();

private:
    void onlyForm(bool ansi, bool utf8, bool utf16);
    bool makeUtf8();
    bool makeAnsi();
    bool makeUtf16();
    // Number of char16_t units of the UTF-16 form, without the terminator.
    uint32_t utf16Units() const;

    AnsiState m_ansiState;
    bool m_utf16Valid;
    bool m_ansiValid;
    bool m_utf8Valid;
    // Empty, not a lone terminator, while the text is empty: most strings never need this form.
    DataBuffer m_utf16;
    StringBuffer m_ansi;
    StringBuffer m_utf8;
};
