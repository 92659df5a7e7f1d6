// Charset: a character set held by name, as documents and headers declare it: its canonical
// (lower-case) name and its code page identifier, both empty (0) when the charset is unset. A
// plain value owned by whoever holds it.
#pragma once

#include "base/string_buffer.h"

class Charset {
public:
    Charset() = default;

    // "default" and "x-user-defined" clear the charset; "ansi" and "oem" select the system's ANSI
    // or OEM code page; any other known name sets its code page and that code page's preferred
    // name. An unknown name clears the charset. True when a code page is set afterwards.
    bool SetByName(const char* name);
    // Sets the code page and its preferred name, or clears both when it has no name.
    bool SetByCodePage(unsigned codePage);
    void clear();

    const StringBuffer& getName() const { return m_name; }
    unsigned getCodePage() const { return m_codePage; }

private:
    StringBuffer m_name;
    unsigned m_codePage = 0;
};
